#include "disk/Keyring.h"

namespace disk {

Keyring& Keyring::instance()
{
    static Keyring ring;
    return ring;
}

void Keyring::add(Secret secret)
{
    if (secret.empty()) return;
    std::lock_guard lock(mutex_);
    secrets_.push_back(std::move(secret));
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
    for (std::size_t i = 0; i < secrets_.size(); ++i) {
        if (wrong_.count({volumeId, i})) {
            ++tried.wrong;
            continue;
        }
        const Attempt a = attempt(secrets_[i]);
        if (a == Attempt::Opened) {
            tried.opened = true;
            return tried;
        }
        if (a == Attempt::Failed) return tried;
        wrong_.insert({volumeId, i});
        ++tried.wrong;
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
