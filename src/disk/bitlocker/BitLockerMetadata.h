#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace disk {

// Reads `length` bytes of the volume at `offset`; false past its end or on a read error.
using VolumeReader = std::function<bool(std::int64_t offset, void* out, std::size_t length)>;

// What a BitLocker volume says of itself in its boot sector and in its FVE
// metadata (Windows keeps three copies; the first that reads well is used).
// Every offset and size is checked against the volume before it is kept.
struct BitLockerMetadata {
    // How a volume master key is protected, as the metadata numbers it.
    enum Protection : std::uint16_t {
        ClearKey = 0x0000,  // protection suspended: the key lies beside it
        Tpm = 0x0100,
        StartupKey = 0x0200,  // a .BEK file on a USB stick
        TpmAndPin = 0x0500,
        RecoveryPassword = 0x0800,
        Password = 0x2000,
    };

    int version = 0;             // 1: Windows Vista, 2: Windows 7 and later
    bool toGo = false;           // a removable drive's: a FAT discovery volume in front
    bool usedSpaceOnly = false;  // only the space in use was encrypted
    std::array<std::int64_t, 3> metadataAt{};  // the FVE metadata areas, 64 KiB each
    std::int64_t headerAt = 0;    // where the volume's first sectors lie, encrypted
    std::int64_t headerSize = 0;  // how many bytes of them
    std::int64_t encryptedSize = 0;  // encrypted from the start up to here; after it plain
    std::uint16_t state = 0;      // 1 decrypted, 4 encrypted; others: a conversion under way
    std::uint32_t method = 0;     // 0x8000 ... 0x8005, 0: none
    QString description;          // "DESKTOP-QNI1MMF C: 10/8/2021", as Windows wrote it
    QByteArray volumeId;          // the volume's GUID, 16 bytes
    std::vector<std::uint16_t> protections;
    // The clear key's volume master key entry and the full volume encryption
    // key entry, for a volume whose protection is suspended.
    QByteArray area;  // the metadata area read, as it lies on the volume
    QByteArray clearKeyEntry;
    QByteArray volumeKeyEntry;

    bool has(Protection p) const;
    // "AES-XTS 128", "AES-CBC 256 mit Diffuser", ...; empty for an unknown method.
    QString cipherName() const;
    // The volume key's size in bytes for the method (diffuser keys included); 0 when unknown.
    std::size_t keySize() const;
};

struct BitLockerMetadataRead {
    std::optional<BitLockerMetadata> metadata;
    QString fault;  // German, when there is none
};

// The metadata of the BitLocker volume `volumeSize` bytes long that `read` reads.
BitLockerMetadataRead readBitLockerMetadata(const VolumeReader& read, std::int64_t volumeSize);

// Zeros the bytes where nothing else shares them, then empties the array.
void wipe(QByteArray& bytes);

// One entry of the metadata (a "datum"): its type, the type of its value, and the value's bytes.
struct FveEntry {
    std::uint16_t type = 0;
    std::uint16_t valueType = 0;
    QByteArray value;  // after the 8-byte entry header
};
// The entries one after another in `bytes`; stops at the first that does not fit.
std::vector<FveEntry> fveEntries(const QByteArray& bytes);

}  // namespace disk
