#pragma once

#include "disk/bitlocker/Secret.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace disk {

// The sectors of a BitLocker volume decrypted with its volume key, by the
// method its metadata names: AES-XTS (the tweak is the 512-byte sector
// number), AES-CBC (the IV is the sector's byte offset encrypted with the
// key) and AES-CBC with the Elephant diffuser (a sector key from the
// diffuser key, then both diffusers). Each sector is decrypted at its
// physical position. OpenSSL's contexts are set up once.
class BitLockerCipher {
public:
    // Nothing when the method is unknown or the key does not suit it.
    static std::unique_ptr<BitLockerCipher> make(std::uint32_t method, const Secret& key);
    ~BitLockerCipher();
    BitLockerCipher(const BitLockerCipher&) = delete;
    BitLockerCipher& operator=(const BitLockerCipher&) = delete;

    static constexpr std::size_t SectorSize = 512;
    // Decrypts `length` bytes (whole sectors) in place, the first lying at
    // byte `offset` of the volume; false when either is no multiple of 512,
    // or OpenSSL fails.
    bool decrypt(std::int64_t offset, unsigned char* data, std::size_t length);
    // The other way, for making volumes to test with.
    bool encrypt(std::int64_t offset, unsigned char* data, std::size_t length);

private:
    struct Contexts;
    BitLockerCipher(std::uint32_t method, std::unique_ptr<Contexts> contexts);
    bool sector(std::int64_t offset, unsigned char* data, bool decrypting);

    std::uint32_t method_;
    std::unique_ptr<Contexts> contexts_;
};

}  // namespace disk
