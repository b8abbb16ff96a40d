#include "disk/bitlocker/BitLockerVolume.h"

#include "disk/bitlocker/BitLockerKey.h"
#include "disk/FileSystemKind.h"
#include "disk/bitlocker/Keyring.h"
#include "runtime/RuntimeError.h"

#include <algorithm>
#include <cstring>

namespace disk {

namespace {

constexpr std::int64_t kSector = 512;
constexpr std::int64_t kArea = 64 * 1024;  // each FVE metadata area

}  // namespace

BitLockerVolume::BitLockerVolume(VolumeReader raw, std::int64_t size, const BitLockerMetadata& metadata,
                                 std::unique_ptr<BitLockerCipher> cipher)
    : raw_(std::move(raw)), size_(size / kSector * kSector), metadata_(metadata), cipher_(std::move(cipher))
{
    // Only the layout is kept; the key entries are wiped by the one who read them.
    metadata_.area.clear();
    metadata_.clearKeyEntry.clear();
    metadata_.volumeKeyEntry.clear();
}

BitLockerVolume::~BitLockerVolume() = default;

// Whole sectors: each run of them that lies alike (moved, zeros, encrypted,
// plain) read at once.
bool BitLockerVolume::readSectors(std::int64_t offset, unsigned char* out, std::size_t length)
{
    const std::int64_t end = offset + std::int64_t(length);
    for (std::int64_t at = offset; at < end;) {
        std::int64_t until = end;
        auto before = [&](std::int64_t boundary) {
            if (boundary > at) until = std::min(until, boundary);
        };
        std::int64_t physical = at;
        bool zeros = false;
        if (at < metadata_.headerSize) {  // the first sectors, moved
            physical = metadata_.headerAt + at;
            before(metadata_.headerSize);
        } else if (metadata_.headerSize > 0 && at >= metadata_.headerAt && at < metadata_.headerAt + metadata_.headerSize) {
            zeros = true;
            before(metadata_.headerAt + metadata_.headerSize);
        } else {
            before(metadata_.headerAt);
        }
        for (std::int64_t area : metadata_.metadataAt) {
            if (area <= 0) continue;
            if (at >= area && at < area + kArea) {
                zeros = true;
                before(area + kArea);
            } else {
                before(area);
            }
        }
        const bool encrypted = cipher_ && physical < metadata_.encryptedSize;
        if (!zeros && encrypted) before(at + (metadata_.encryptedSize - physical));
        unsigned char* to = out + (at - offset);
        const std::size_t n = std::size_t(until - at);
        if (zeros) {
            std::memset(to, 0, n);
        } else {
            if (!raw_(physical, to, n)) return false;
            if (encrypted && !cipher_->decrypt(physical, to, n)) return false;
        }
        at = until;
    }
    return true;
}

ssize_t BitLockerVolume::read(std::int64_t offset, char* out, std::size_t length)
{
    if (offset < 0 || offset >= size_) return 0;
    length = std::size_t(std::min<std::int64_t>(std::int64_t(length), size_ - offset));
    auto* to = reinterpret_cast<unsigned char*>(out);
    if (offset % kSector == 0 && length % kSector == 0) return readSectors(offset, to, length) ? ssize_t(length) : -1;
    const std::int64_t first = offset / kSector * kSector;
    const std::int64_t last = std::min(size_, (offset + std::int64_t(length) + kSector - 1) / kSector * kSector);
    buffer_.resize(std::size_t(last - first));
    if (!readSectors(first, buffer_.data(), buffer_.size())) return -1;
    std::memcpy(out, buffer_.data() + (offset - first), length);
    return ssize_t(length);
}

BitLockerOpening openBitLocker(const VolumeReader& raw, std::int64_t size)
{
    BitLockerOpening opening;
    BitLockerLock& lock = opening.lock;
    auto unreadable = [&](const QString& why) {
        lock.reason = BitLockerLock::Reason::Unreadable;
        lock.fault = why;
    };
    BitLockerMetadataRead read = readBitLockerMetadata(raw, size);
    if (!read.metadata) {
        unreadable(read.fault);
        return opening;
    }
    const BitLockerMetadata& m = *read.metadata;
    // The metadata holds a suspended volume's clear key: wiped however this ends.
    struct Wipe {
        BitLockerMetadata& m;
        ~Wipe()
        {
            wipe(m.area);
            wipe(m.clearKeyEntry);
            wipe(m.volumeKeyEntry);
        }
    } wipeOnReturn{*read.metadata};
    lock.description = m.description;
    lock.volumeId = m.volumeId;
    lock.recoveryPassword = m.has(BitLockerMetadata::RecoveryPassword);
    lock.tpm = m.has(BitLockerMetadata::Tpm) || m.has(BitLockerMetadata::TpmAndPin);
    lock.keyFileOnly = m.has(BitLockerMetadata::StartupKey) && !m.has(BitLockerMetadata::Password)
                       && !m.has(BitLockerMetadata::RecoveryPassword);
    if (m.version == 1) {
        lock.reason = BitLockerLock::Reason::Vista;
        return opening;
    }
    // An encryption of the used space only, caught part way, shows before any
    // key: the first sectors, which the metadata says it moved, still lie
    // plain where they were moved to. Which other regions are encrypted cannot
    // be told, so no secret is asked for.
    unsigned char moved[2048] = {};
    if (m.usedSpaceOnly && m.method != 0 && raw(m.headerAt, moved, kSector) && holdsWindowsFileSystem(moved)) {
        lock.reason = BitLockerLock::Reason::UnknownRegions;
        return opening;
    }

    // The volume once a key is had: its first sectors must then be a file
    // system's; an encryption of the used space only, caught part way, is
    // recognised by its first sectors being still plain.
    auto opened = [&](std::unique_ptr<BitLockerCipher> cipher) {
        auto volume = std::make_unique<BitLockerVolume>(raw, size, m, std::move(cipher));
        unsigned char first[2048] = {};
        if (volume->read(0, reinterpret_cast<char*>(first), kSector) != kSector) {
            unreadable(QStringLiteral("ihr erster Sektor ist nicht lesbar"));
            return false;
        }
        volume->read(kSector, reinterpret_cast<char*>(first) + kSector, sizeof first - kSector);
        if (!holdsWindowsFileSystem(first)) {
            unreadable(QStringLiteral("entschlüsselt ergibt ihr erster Sektor kein Dateisystem"));
            return false;
        }
        opening.volume = std::move(volume);
        return true;
    };

    if (m.method == 0 && m.state == 1) {  // decrypted, its metadata still there
        opening.encryption = QStringLiteral("BitLocker (entschlüsselt)");
        opened(nullptr);
        return opening;
    }
    if (m.cipherName().isEmpty()) {
        unreadable(QStringLiteral("ihr Verschlüsselungsverfahren 0x%1 ist unbekannt").arg(m.method, 4, 16, QChar(u'0')));
        return opening;
    }
    opening.encryption = QStringLiteral("BitLocker ") + m.cipherName();

    VolumeKey key;
    if (!m.clearKeyEntry.isEmpty()) key = clearVolumeKey(m);
    const bool userProtector = m.has(BitLockerMetadata::Password) || m.has(BitLockerMetadata::RecoveryPassword)
                               || m.has(BitLockerMetadata::StartupKey);
    if (key.outcome != VolumeKey::Outcome::Opened && !userProtector) {
        // Nothing the user can hold opens it: only the machine's TPM, or a clear key that did not unwrap.
        if (lock.tpm)
            lock.reason = BitLockerLock::Reason::TpmOnly;
        else
            unreadable(key.fault.isEmpty() ? QStringLiteral("sie nennt keinen Schutz, den ein Kennwort, ein "
                                                            "Wiederherstellungsschlüssel oder eine Schlüsseldatei öffnet")
                                           : key.fault);
        return opening;
    }
    if (key.outcome != VolumeKey::Outcome::Opened) {
        QString fault;
        const Keyring::Tried tried = Keyring::instance().unlock(m.volumeId, [&](const Secret& secret) {
            key = volumeKeyFromSecret(raw, size, m, secret);
            if (key.outcome == VolumeKey::Outcome::Failed) fault = key.fault;
            return key.outcome == VolumeKey::Outcome::Opened ? Keyring::Attempt::Opened
                   : key.outcome == VolumeKey::Outcome::Wrong ? Keyring::Attempt::Wrong
                                                               : Keyring::Attempt::Failed;
        });
        if (!fault.isEmpty()) {
            unreadable(fault);
            return opening;
        }
        lock.wrong = tried.wrong;
        lock.wrongKeyFiles = tried.wrongKeyFiles;
        if (!tried.opened) {
            lock.reason = BitLockerLock::Reason::NeedsSecret;
            return opening;
        }
    }
    auto cipher = BitLockerCipher::make(m.method, key.key);
    key.key = Secret();  // wiped: the cipher holds what it needs
    if (!cipher)
        unreadable(QStringLiteral("%1 ist hier nicht einzurichten").arg(m.cipherName())
                   + runtime::libraryWords(QStringLiteral("OpenSSL: EVP_CipherInit_ex")));
    else
        opened(std::move(cipher));
    return opening;
}

}  // namespace disk
