// A BitLocker volume from random bytes: its boot sector and metadata read,
// the clear key unwrapped where one is named, and the volume decrypted with
// a fixed key by the method its metadata names, read in odd pieces and its
// file system opened. Keys from secrets are left out: libcryptsetup's key
// derivation takes a third of a second on purpose.
#include "disk/bitlocker/BitLockerCipher.h"
#include "disk/bitlocker/BitLockerKey.h"
#include "disk/bitlocker/BitLockerVolume.h"
#include "disk/containers/DiskImage.h"
#include "disk/filesystems/Volume.h"
#include "runtime/RuntimeError.h"

#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto length = std::int64_t(size);
    disk::VolumeReader read = [&](std::int64_t offset, void* out, std::size_t n) {
        if (offset < 0 || offset > length || std::size_t(length - offset) < n) return false;
        std::memcpy(out, data + offset, n);
        return true;
    };
    // As a partition is opened: without a secret, so only a clear key or a plain volume opens.
    (void)disk::openBitLocker(read, length);
    const disk::BitLockerMetadataRead metadata = disk::readBitLockerMetadata(read, length);
    if (!metadata.metadata) return 0;
    const disk::BitLockerMetadata& m = *metadata.metadata;
    (void)m.cipherName();
    (void)disk::clearVolumeKey(m);

    disk::Secret key(m.keySize() ? m.keySize() : 32);
    for (std::size_t i = 0; i < key.size(); ++i) key.data()[i] = static_cast<unsigned char>(i * 7 + 1);
    auto volume = std::make_unique<disk::BitLockerVolume>(read, length, m, disk::BitLockerCipher::make(m.method, key));
    std::vector<char> buffer(70000);
    for (std::int64_t at = 0; at < volume->size();) {
        const std::size_t piece = std::size_t(at % 4099 + 1);
        const ssize_t n = volume->read(at, buffer.data(), piece);
        if (n <= 0) break;
        at += n;
    }
    try {
        const disk::DiskImage image(QStringLiteral("fuzz"), std::move(volume));
        const disk::Volume opened(image, disk::Partition{0, 0, image.size(), {}});
        if (const auto config = opened.find({QStringLiteral("Windows"), QStringLiteral("System32")}))
            (void)opened.list(*config);
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
