#include "disk/bitlocker/BitLockerCipher.h"

#include "disk/bitlocker/ElephantDiffuser.h"

#include <openssl/evp.h>

#include <bit>
#include <cstring>

namespace disk {

static_assert(std::endian::native == std::endian::little, "sectors are read as little-endian words");

namespace {

struct ContextFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Context = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

Context context(const EVP_CIPHER* cipher, const unsigned char* key, bool encrypt)
{
    Context c(EVP_CIPHER_CTX_new());
    if (!c || EVP_CipherInit_ex(c.get(), cipher, nullptr, key, nullptr, encrypt ? 1 : 0) != 1) return nullptr;
    EVP_CIPHER_CTX_set_padding(c.get(), 0);
    return c;
}

// The 16-byte little-endian encoding of a number.
void encoded(std::uint64_t n, unsigned char (&out)[16])
{
    std::memset(out, 0, sizeof out);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(n >> (8 * i));
}

bool run(EVP_CIPHER_CTX* c, const unsigned char* iv, const unsigned char* in, unsigned char* out, int length)
{
    int n = 0;
    return EVP_CipherInit_ex(c, nullptr, nullptr, nullptr, iv, -1) == 1 && EVP_CipherUpdate(c, out, &n, in, length) == 1
           && n == length;
}

}  // namespace

struct BitLockerCipher::Contexts {
    Context decrypt, encrypt;  // XTS or CBC, with the volume key
    Context iv;                // AES-ECB with the volume key: a CBC sector's IV
    Context sectorKey;         // AES-ECB with the diffuser key: the Elephant sector key
};

std::unique_ptr<BitLockerCipher> BitLockerCipher::make(std::uint32_t method, const Secret& key)
{
    const bool xts = method == 0x8004 || method == 0x8005, diffuser = method == 0x8000 || method == 0x8001;
    const bool wide = method == 0x8001 || method == 0x8003 || method == 0x8005;  // AES-256
    const std::size_t aesKey = wide ? 32 : 16;
    const std::size_t size = xts || diffuser ? 2 * aesKey : aesKey;
    if (method < 0x8000 || method > 0x8005 || key.size() != size) return nullptr;
    const EVP_CIPHER* cipher = xts ? (wide ? EVP_aes_256_xts() : EVP_aes_128_xts())
                                   : (wide ? EVP_aes_256_cbc() : EVP_aes_128_cbc());
    auto c = std::make_unique<Contexts>();
    c->decrypt = context(cipher, key.data(), false);
    c->encrypt = context(cipher, key.data(), true);
    if (!c->decrypt || !c->encrypt) return nullptr;
    if (!xts) {
        c->iv = context(wide ? EVP_aes_256_ecb() : EVP_aes_128_ecb(), key.data(), true);
        if (!c->iv) return nullptr;
    }
    if (diffuser) {
        c->sectorKey = context(wide ? EVP_aes_256_ecb() : EVP_aes_128_ecb(), key.data() + aesKey, true);
        if (!c->sectorKey) return nullptr;
    }
    return std::unique_ptr<BitLockerCipher>(new BitLockerCipher(method, std::move(c)));
}

BitLockerCipher::BitLockerCipher(std::uint32_t method, std::unique_ptr<Contexts> contexts)
    : method_(method), contexts_(std::move(contexts))
{
}

BitLockerCipher::~BitLockerCipher() = default;  // EVP_CIPHER_CTX_free wipes the key schedules

bool BitLockerCipher::sector(std::int64_t offset, unsigned char* data, bool decrypting)
{
    EVP_CIPHER_CTX* c = decrypting ? contexts_->decrypt.get() : contexts_->encrypt.get();
    unsigned char iv[16];
    if (method_ == 0x8004 || method_ == 0x8005) {
        encoded(std::uint64_t(offset) / SectorSize, iv);
        return run(c, iv, data, data, int(SectorSize));
    }
    unsigned char position[16];
    encoded(std::uint64_t(offset), position);
    if (!run(contexts_->iv.get(), nullptr, position, iv, 16)) return false;
    if (!contexts_->sectorKey) return run(c, iv, data, data, int(SectorSize));

    // Elephant: the sector key is the diffuser key's encryption of the
    // offset, and of the offset with its last byte 128.
    unsigned char key[32];
    if (!run(contexts_->sectorKey.get(), nullptr, position, key, 16)) return false;
    position[15] = 128;
    if (!run(contexts_->sectorKey.get(), nullptr, position, key + 16, 16)) return false;
    std::uint32_t words[128];
    bool done = true;
    if (decrypting) {
        done = run(c, iv, data, data, int(SectorSize));
        std::memcpy(words, data, SectorSize);
        undoElephantDiffusers(words);
        std::memcpy(data, words, SectorSize);
        for (std::size_t i = 0; i < SectorSize; ++i) data[i] ^= key[i % 32];
    } else {
        for (std::size_t i = 0; i < SectorSize; ++i) data[i] ^= key[i % 32];
        std::memcpy(words, data, SectorSize);
        applyElephantDiffusers(words);
        std::memcpy(data, words, SectorSize);
        done = run(c, iv, data, data, int(SectorSize));
    }
    OPENSSL_cleanse(key, sizeof key);
    return done;
}

bool BitLockerCipher::decrypt(std::int64_t offset, unsigned char* data, std::size_t length)
{
    if (offset % SectorSize != 0 || length % SectorSize != 0) return false;
    for (std::size_t at = 0; at + SectorSize <= length; at += SectorSize)
        if (!sector(offset + std::int64_t(at), data + at, true)) return false;
    return true;
}

bool BitLockerCipher::encrypt(std::int64_t offset, unsigned char* data, std::size_t length)
{
    if (offset % SectorSize != 0 || length % SectorSize != 0) return false;
    for (std::size_t at = 0; at + SectorSize <= length; at += SectorSize)
        if (!sector(offset + std::int64_t(at), data + at, false)) return false;
    return true;
}

}  // namespace disk
