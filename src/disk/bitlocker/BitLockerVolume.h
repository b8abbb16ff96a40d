#pragma once

#include "disk/bitlocker/BitLockerCipher.h"
#include "disk/bitlocker/BitLockerMetadata.h"
#include "disk/Container.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace disk {

// A BitLocker volume read as the file system inside it: its first sectors
// from where the metadata moved them, the metadata areas as zeros, every
// sector decrypted at its physical position up to the encrypted size (an
// encryption or decryption under way leaves the rest plain). Handed to The
// Sleuth Kit as an image of its own.
class BitLockerVolume final : public Container {
public:
    // `cipher` null: a volume whose sectors are all plain again.
    BitLockerVolume(VolumeReader raw, std::int64_t size, const BitLockerMetadata& metadata,
                    std::unique_ptr<BitLockerCipher> cipher);
    ~BitLockerVolume() override;

    std::int64_t size() const override { return size_; }
    ssize_t read(std::int64_t offset, char* out, std::size_t length) override;
    QString format() const override { return QStringLiteral("BitLocker"); }
    QStringList files() const override { return {}; }

private:
    bool readSectors(std::int64_t offset, unsigned char* out, std::size_t length);

    VolumeReader raw_;
    std::int64_t size_;
    BitLockerMetadata metadata_;
    std::unique_ptr<BitLockerCipher> cipher_;
    std::vector<unsigned char> buffer_;  // reused for reads not aligned to sectors
};

// Why a BitLocker volume stayed locked.
struct BitLockerLock {
    enum class Reason {
        NeedsSecret,     // no secret given fits it, or none was given
        TpmOnly,         // only the machine's TPM opens it
        Vista,           // metadata of version 1, which libcryptsetup does not read
        UnknownRegions,  // "used disk space only" part way: which sectors are encrypted is not told
        Unreadable,      // see `fault`
    };
    Reason reason = Reason::NeedsSecret;
    QString description;  // as Windows wrote it in the metadata; may be empty
    QString fault;        // German, for Unreadable
    QByteArray volumeId;
    int wrong = 0;                  // secrets tried that did not fit
    QStringList wrongKeyFiles;      // the key files among them, by name
    bool recoveryPassword = false;  // a recovery password opens it
    bool tpm = false;               // the machine's TPM opens it
    bool keyFileOnly = false;       // of what the user can hold, only a key file (.BEK) opens it
};

// A BitLocker volume opened: unlocked with a key it keeps in the clear
// (protection suspended), with one of the Keyring's secrets, or plain again
// (decrypted, its metadata left); or why it stayed locked. The key is wiped
// once the cipher is set up with it.
struct BitLockerOpening {
    std::unique_ptr<Container> volume;
    BitLockerLock lock;   // when `volume` is null
    QString encryption;   // "BitLocker AES-XTS 128"; "BitLocker (entschlüsselt)" for a plain one
};
BitLockerOpening openBitLocker(const VolumeReader& raw, std::int64_t size);

}  // namespace disk
