#include "disk/bitlocker/Keyring.h"

#include "disk/FileBytes.h"
#include "disk/bitlocker/SecretFile.h"

namespace disk {

Keyring& Keyring::instance()
{
    static Keyring ring;
    return ring;
}

void Keyring::add(Secret secret, const QString& from)
{
    if (secret.empty()) return;
    const bool keyFile = isKeyFile(secret);
    std::lock_guard lock(mutex_);
    secrets_.push_back({std::move(secret), keyFile, keyFile ? lastNameOf(from) : QString()});
}

bool Keyring::empty() const
{
    std::lock_guard lock(mutex_);
    return secrets_.empty();
}

Keyring::Tried Keyring::unlock(const QByteArray& volumeId, const std::function<Attempt(const Secret&)>& attempt)
{
    std::lock_guard lock(mutex_);
    Tried tried;
    auto wrong = [&](std::size_t i) {
        ++tried.wrong;
        if (secrets_[i].keyFile) tried.wrongKeyFiles << secrets_[i].name;
    };
    for (std::size_t i = 0; i < secrets_.size(); ++i) {
        if (wrong_.count({volumeId, i})) {
            wrong(i);
            continue;
        }
        const Attempt a = attempt(secrets_[i].secret);
        if (a == Attempt::Opened) {
            tried.opened = true;
            return tried;
        }
        if (a == Attempt::Failed) return tried;
        wrong_.insert({volumeId, i});
        wrong(i);
    }
    return tried;
}

void Keyring::clear()
{
    std::lock_guard lock(mutex_);
    secrets_.clear();
    wrong_.clear();
}

}  // namespace disk
