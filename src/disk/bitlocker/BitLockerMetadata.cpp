#include "disk/bitlocker/BitLockerMetadata.h"

#include "disk/FileBytes.h"

#include <algorithm>
#include <cstring>

#include <string.h>

namespace disk {

namespace {

// The identifiers in a BitLocker boot sector: an ordinary volume, and one of
// which only the space in use was encrypted.
constexpr unsigned char kBitLocker[16] = {0x3B, 0xD6, 0x67, 0x49, 0x29, 0x2E, 0xD8, 0x4A,
                                          0x83, 0x99, 0xF6, 0xA3, 0x39, 0xE3, 0xD0, 0x01};
constexpr unsigned char kUsedSpaceOnly[16] = {0x3B, 0x4D, 0xA8, 0x92, 0x80, 0xDD, 0x0E, 0x4D,
                                              0x9E, 0x4E, 0xB1, 0xE3, 0x28, 0x4E, 0xAE, 0xD8};

constexpr std::int64_t kAreaSize = 64 * 1024;  // each FVE metadata area
constexpr std::size_t kBlockHeader = 64, kMetadataHeader = 48;

bool identifiedAt(const unsigned char* p, bool& usedSpaceOnly)
{
    usedSpaceOnly = std::memcmp(p, kUsedSpaceOnly, 16) == 0;
    return usedSpaceOnly || std::memcmp(p, kBitLocker, 16) == 0;
}

bool within(std::int64_t offset, std::int64_t length, std::int64_t size)
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

}  // namespace

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached()) ::explicit_bzero(bytes.data(), std::size_t(bytes.size()));
    bytes.clear();
}

bool BitLockerMetadata::has(Protection p) const
{
    return std::find(protections.begin(), protections.end(), std::uint16_t(p)) != protections.end();
}

QString BitLockerMetadata::cipherName() const
{
    switch (method) {
    case 0x8000: return QStringLiteral("AES-CBC 128 mit Elephant-Diffuser");
    case 0x8001: return QStringLiteral("AES-CBC 256 mit Elephant-Diffuser");
    case 0x8002: return QStringLiteral("AES-CBC 128");
    case 0x8003: return QStringLiteral("AES-CBC 256");
    case 0x8004: return QStringLiteral("AES-XTS 128");
    case 0x8005: return QStringLiteral("AES-XTS 256");
    default: return {};
    }
}

std::size_t BitLockerMetadata::keySize() const
{
    switch (method) {
    case 0x8002: return 16;
    case 0x8000:
    case 0x8003:
    case 0x8004: return 32;
    case 0x8001:
    case 0x8005: return 64;
    default: return 0;
    }
}

std::vector<FveEntry> fveEntries(const QByteArray& bytes)
{
    std::vector<FveEntry> entries;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        const std::uint16_t size = le16(p + at);
        if (size < 8 || size > bytes.size() - at) break;
        entries.push_back({le16(p + at + 2), le16(p + at + 4), bytes.mid(at + 8, size - 8)});
        at += size;
    }
    return entries;
}

BitLockerMetadataRead readBitLockerMetadata(const VolumeReader& read, std::int64_t volumeSize)
{
    BitLockerMetadataRead result;
    auto fault = [&](const QString& what) {
        result.fault = what;
        return result;
    };
    unsigned char boot[512];
    if (volumeSize < std::int64_t(sizeof boot) || !read(0, boot, sizeof boot))
        return fault(QStringLiteral("ihr erster Sektor ist nicht lesbar"));

    BitLockerMetadata m;
    std::array<std::int64_t, 3> candidates{};
    bool usedSpaceOnly = false;
    const bool signature = std::memcmp(boot + 3, "-FVE-FS-", 8) == 0;
    if (signature && identifiedAt(boot + 0xA0, usedSpaceOnly)) {
        for (int i = 0; i < 3; ++i) candidates[i] = std::int64_t(le64(boot + 0xB0 + 8 * i));
    } else if (identifiedAt(boot + 0x1A8, usedSpaceOnly)) {
        m.toGo = true;  // behind a FAT boot sector that tells older Windows what the drive is
        for (int i = 0; i < 3; ++i) candidates[i] = std::int64_t(le64(boot + 0x1B8 + 8 * i));
    } else if (signature) {
        // Windows Vista kept the NTFS boot sector and put the metadata's cluster where NTFS keeps its mirror's.
        const std::int64_t cluster = std::int64_t(le16(boot + 0x0B)) * boot[0x0D];
        const std::uint64_t number = le64(boot + 0x38);
        if (cluster > 0 && number < std::uint64_t(volumeSize) / std::uint64_t(cluster))
            candidates[0] = std::int64_t(number) * cluster;
    } else {
        return fault(QStringLiteral("ihr Startsektor trägt keine BitLocker-Kennung"));
    }
    m.usedSpaceOnly = usedSpaceOnly;
    // Windows 7 and later in sectors of 512 bytes; a volume on a disk of 4 KiB
    // sectors counts its sectors otherwise.
    const std::uint16_t sector = le16(boot + 0x0B);
    if (!m.toGo && signature && (sector == 1024 || sector == 2048 || sector == 4096))
        return fault(QStringLiteral("sie hat Sektoren von %1 Bytes; Tessera entschlüsselt nur solche von 512 Bytes")
                         .arg(le16(boot + 0x0B)));

    bool misplaced = false;
    for (std::int64_t at : candidates) {
        // An area is 64 KiB; the metadata in it may end before an image cut short does.
        if (at <= 0 || at >= volumeSize || at % 512 != 0) continue;
        const std::int64_t length = std::min(kAreaSize, volumeSize - at);
        if (length < std::int64_t(kBlockHeader + kMetadataHeader)) continue;
        QByteArray area(length, Qt::Uninitialized);
        if (!read(at, area.data(), std::size_t(area.size()))) continue;
        const auto* p = reinterpret_cast<const unsigned char*>(area.constData());
        if (std::memcmp(p, "-FVE-FS-", 8) != 0) continue;
        const std::uint16_t version = le16(p + 10);
        const std::uint32_t size = le32(p + kBlockHeader);
        if ((version != 1 && version != 2) || size < kMetadataHeader || size > length - std::int64_t(kBlockHeader)
            || le32(p + kBlockHeader + 8) != kMetadataHeader)
            continue;
        m.version = version;
        m.state = le16(p + 12);
        // Encrypted whole sectors from the start; a size inside a sector ends before it.
        m.encryptedSize = std::int64_t(std::min<std::uint64_t>(le64(p + 16), std::uint64_t(volumeSize))) / 512 * 512;
        for (int i = 0; i < 3; ++i) {
            m.metadataAt[i] = std::int64_t(le64(p + 32 + 8 * i));
            if (m.metadataAt[i] < 0 || m.metadataAt[i] % 512 != 0) m.metadataAt[i] = 0;  // none there
        }
        if (version == 2) {
            m.headerAt = std::int64_t(le64(p + 56));
            m.headerSize = std::int64_t(le32(p + 28)) * 512;
            if (m.headerSize <= 0 || m.headerSize > kAreaSize || !within(m.headerAt, m.headerSize, volumeSize)
                || m.headerAt < m.headerSize || m.headerAt % 512 != 0) {
                misplaced = true;  // this copy is damaged; another may not be
                continue;
            }
        }
        m.method = le32(p + kBlockHeader + 36) & 0xFFFF;
        m.volumeId = area.mid(kBlockHeader + 16, 16);
        for (const FveEntry& e : fveEntries(area.mid(kBlockHeader + kMetadataHeader, size - kMetadataHeader))) {
            if (e.type == 7 && e.valueType == 2) {  // the description, UTF-16, shown as it is printable
                m.description = QString::fromUtf16(reinterpret_cast<const char16_t*>(e.value.constData()),
                                                   e.value.size() / 2)
                                    .remove(QChar(0));
                for (QChar& c : m.description)
                    if (!c.isPrint()) c = u' ';
                m.description = m.description.simplified();
            }
            if (e.type == 2 && e.valueType == 8 && e.value.size() >= 28) {  // a volume master key
                const std::uint16_t protection = le16(reinterpret_cast<const unsigned char*>(e.value.constData()) + 26);
                m.protections.push_back(protection);
                if (protection == BitLockerMetadata::ClearKey) m.clearKeyEntry = e.value;
            }
            if (e.type == 3 && e.valueType == 5) m.volumeKeyEntry = e.value;  // the full volume encryption key
        }
        m.area = area;
        result.metadata = std::move(m);
        return result;
    }
    const bool beyond = std::any_of(candidates.begin(), candidates.end(), [&](std::int64_t at) { return at > 0; })
                        && std::all_of(candidates.begin(), candidates.end(),
                                       [&](std::int64_t at) { return at <= 0 || at >= volumeSize; });
    if (beyond)
        return fault(QStringLiteral("das Abbild ist abgeschnitten: ihre BitLocker-Metadaten liegen hinter seinem Ende"));
    if (misplaced)
        return fault(QStringLiteral("ihre Metadaten nennen für den Anfang des Volumes eine Stelle außerhalb davon"));
    return fault(QStringLiteral("keine ihrer drei Kopien der BitLocker-Metadaten ist lesbar"));
}

}  // namespace disk
