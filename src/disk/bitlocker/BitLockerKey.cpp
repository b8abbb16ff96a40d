#include "disk/bitlocker/BitLockerKey.h"

#include "disk/FileBytes.h"
#include "runtime/RuntimeError.h"

#include <libcryptsetup.h>
#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>

namespace disk {

namespace {

VolumeKey failed(const QString& why)
{
    VolumeKey k;
    k.fault = why;
    return k;
}

// libcryptsetup's messages go nowhere: what it says is told in our words.
void quiet(int, const char*, void*) {}

// `length` bytes of the volume at `offset` copied into the anonymous file at the same offset.
bool place(int fd, std::int64_t offset, std::int64_t length, const std::function<bool(char*)>& fill)
{
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    const std::int64_t start = offset / page * page;
    const std::size_t mapped = std::size_t(offset - start + length);
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, fd, start);
    if (p == MAP_FAILED) return false;
    const bool ok = fill(static_cast<char*>(p) + (offset - start));
    ::munmap(p, mapped);
    return ok;
}

struct CryptFree {
    void operator()(crypt_device* cd) const { crypt_free(cd); }
};

}  // namespace

VolumeKey volumeKeyFromSecret(const VolumeReader& read, std::int64_t volumeSize, const BitLockerMetadata& metadata,
                              const Secret& secret)
{
    // libcryptsetup keeps its settings in globals and promises nothing of
    // threads: machines read side by side derive their keys one at a time.
    static std::mutex one;
    const std::lock_guard lock(one);
    crypt_set_log_callback(nullptr, quiet, nullptr);
    crypt_metadata_locking(nullptr, 0);  // no lock files under /run
    // A sparse anonymous file as large as the volume, holding what libcryptsetup reads of it.
    const FileDescriptor file(::memfd_create("tessera-bitlocker", MFD_CLOEXEC));
    if (file.get() < 0 || ::ftruncate(file.get(), volumeSize) != 0)
        return failed(QStringLiteral("für ihre Metadaten ist kein Speicher frei") + runtime::libraryWords(runtime::errnoName(errno)));
    if (!place(file.get(), 0, 512, [&](char* to) { return read(0, to, 512); }))
        return failed(QStringLiteral("ihr erster Sektor ist nicht lesbar"));
    // The copy of the metadata that was read well, at each place the boot sector names.
    for (std::int64_t at : metadata.metadataAt)
        if (at > 0 && at <= volumeSize - metadata.area.size())
            place(file.get(), at, metadata.area.size(), [&](char* to) {
                std::memcpy(to, metadata.area.constData(), std::size_t(metadata.area.size()));
                return true;
            });

    crypt_device* made = nullptr;
    const QByteArray path = QByteArray("/proc/self/fd/") + QByteArray::number(file.get());
    if (crypt_init(&made, path.constData()) < 0)
        return failed(QStringLiteral("ihre Metadaten sind nicht zu lesen") + runtime::libraryWords(QStringLiteral("libcryptsetup: crypt_init")));
    std::unique_ptr<crypt_device, CryptFree> cd(made);
    crypt_set_log_callback(cd.get(), quiet, nullptr);
    if (const int r = crypt_load(cd.get(), CRYPT_BITLK, nullptr); r < 0)
        return failed(QStringLiteral("ihre Metadaten sind nicht zu lesen")
                      + runtime::libraryWords(QStringLiteral("libcryptsetup: crypt_load: %1").arg(runtime::errnoName(-r))));
    const int size = crypt_get_volume_key_size(cd.get());
    if (size <= 0 || std::size_t(size) != metadata.keySize())
        return failed(QStringLiteral("ihr Schlüssel hat für %1 die falsche Größe").arg(metadata.cipherName())
                      + runtime::libraryWords(QStringLiteral("libcryptsetup: %1 Bytes").arg(size)));
    VolumeKey k;
    k.key = Secret(std::size_t(size));
    std::size_t got = k.key.size();
    const int r = crypt_volume_key_get(cd.get(), CRYPT_ANY_SLOT, reinterpret_cast<char*>(k.key.data()), &got,
                                       reinterpret_cast<const char*>(secret.data()), secret.size());
    if (r >= 0 && got == k.key.size()) {
        k.outcome = VolumeKey::Outcome::Opened;
        return k;
    }
    // A secret that fits no protector: libcryptsetup says EINVAL for BitLocker, EPERM for others.
    if (r == -EINVAL || r == -EPERM || r == -ENOENT || r >= 0) {
        k.key = Secret();
        k.outcome = VolumeKey::Outcome::Wrong;
        return k;
    }
    return failed(QStringLiteral("ihr Schlüssel ist nicht abzuleiten")
                  + runtime::libraryWords(QStringLiteral("libcryptsetup: crypt_volume_key_get: %1").arg(runtime::errnoName(-r))));
}

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// An AES-CCM encrypted entry's value (nonce, tag, data) decrypted with a
// 256-bit key into a Secret; empty when it does not authenticate.
Secret unwrap(const QByteArray& value, const unsigned char* key)
{
    constexpr int Nonce = 12, Tag = 16;
    if (value.size() <= Nonce + Tag || value.size() > 4096) return {};
    const auto* p = reinterpret_cast<const unsigned char*>(value.constData());
    const int length = int(value.size()) - Nonce - Tag;
    std::unique_ptr<EVP_CIPHER_CTX, CipherFree> c(EVP_CIPHER_CTX_new());
    Secret out{std::size_t(length)};
    int n = 0;
    if (!c || EVP_DecryptInit_ex(c.get(), EVP_aes_256_ccm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(c.get(), EVP_CTRL_CCM_SET_IVLEN, Nonce, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(c.get(), EVP_CTRL_CCM_SET_TAG, Tag, const_cast<unsigned char*>(p + Nonce)) != 1
        || EVP_DecryptInit_ex(c.get(), nullptr, nullptr, key, p) != 1
        || EVP_DecryptUpdate(c.get(), nullptr, &n, nullptr, length) != 1
        || EVP_DecryptUpdate(c.get(), out.data(), &n, p + Nonce + Tag, length) != 1 || n != length)
        return {};
    return out;
}

// The key bytes of a decrypted key entry: an 8-byte entry header, the method, the key.
bool keyOf(const Secret& entry, const unsigned char*& key, std::size_t& size)
{
    if (entry.size() < 12 || le16(entry.data()) != entry.size() % 65536) return false;
    if (le16(entry.data() + 4) != 1) return false;  // a key
    key = entry.data() + 12;
    size = entry.size() - 12;
    return true;
}

}  // namespace

VolumeKey clearVolumeKey(const BitLockerMetadata& metadata)
{
    if (metadata.clearKeyEntry.size() < 28 || metadata.volumeKeyEntry.isEmpty())
        return failed(QStringLiteral("ihr Schlüssel liegt nicht offen"));
    // Every copy of the clear key's bytes is wiped before it is freed.
    QByteArray nested = metadata.clearKeyEntry.mid(28);
    std::vector<FveEntry> entries = fveEntries(nested);
    Secret clearKey;
    QByteArray wrapped;
    for (const FveEntry& e : entries) {
        if (e.valueType == 1 && e.value.size() == 4 + 32) clearKey = Secret(e.value.constData() + 4, 32);
        if (e.valueType == 5) wrapped = e.value;
    }
    for (FveEntry& e : entries) wipe(e.value);
    wipe(nested);
    if (clearKey.empty() || wrapped.isEmpty()) return failed(QStringLiteral("ihr offener Schlüssel ist unvollständig"));
    const Secret master = unwrap(wrapped, clearKey.data());
    const unsigned char* key = nullptr;
    std::size_t size = 0;
    if (!keyOf(master, key, size) || size != 32) return failed(QStringLiteral("ihr offener Schlüssel passt nicht"));
    const Secret full = unwrap(metadata.volumeKeyEntry, key);
    if (!keyOf(full, key, size)) return failed(QStringLiteral("ihr Volumeschlüssel ist nicht zu entschlüsseln"));

    // Windows keeps the key in a field of its own size: the diffuser key lies at 32.
    const std::size_t want = metadata.keySize();
    const bool diffuser = metadata.method == 0x8000 || metadata.method == 0x8001;
    VolumeKey k;
    if (want == 0) return failed(QStringLiteral("ihr Verschlüsselungsverfahren ist unbekannt"));
    if (diffuser && size >= 64) {
        k.key = Secret(want);
        std::memcpy(k.key.data(), key, want / 2);
        std::memcpy(k.key.data() + want / 2, key + 32, want / 2);
    } else if (size >= want) {
        k.key = Secret(key, want);
    } else {
        return failed(QStringLiteral("ihr Volumeschlüssel ist zu kurz"));
    }
    k.outcome = VolumeKey::Outcome::Opened;
    return k;
}

}  // namespace disk
