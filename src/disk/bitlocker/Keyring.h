#pragma once

#include "disk/bitlocker/Secret.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace disk {

// The secrets the user gave for BitLocker volumes (with --schluessel, at a
// prompt, in a dialog), kept for as long as the program runs: a volume read
// again after its image changed is opened again with them. Which secret did
// not fit which volume is remembered, so none is tried twice on the same one.
class Keyring {
public:
    static Keyring& instance();

    // `from`: the key file the secret was read from, to name it when it does
    // not fit (a password's file is not named: the secret is a password).
    void add(Secret secret, const QString& from = {});
    bool empty() const;

    // Tries each secret not yet known to fail on the volume `volumeId` with
    // `attempt`, which answers whether it opened the volume (and keeps what it
    // opened) or whether the secret did not fit; a failure of another kind
    // ends the trying. The number of secrets that did not fit, all told.
    enum class Attempt { Opened, Wrong, Failed };
    struct Tried {
        bool opened = false;
        int wrong = 0;
        QStringList wrongKeyFiles;  // the .BEK files among the secrets that did not fit, by name (empty: unnamed)
    };
    Tried unlock(const QByteArray& volumeId, const std::function<Attempt(const Secret&)>& attempt);

    // Forgets every secret (wiping it); for tests.
    void clear();

private:
    mutable std::mutex mutex_;
    struct Entry {
        Secret secret;
        bool keyFile = false;
        QString name;  // the file's name, for a key file
    };
    std::vector<Entry> secrets_;
    std::set<std::pair<QByteArray, std::size_t>> wrong_;  // volume, secret
};

}  // namespace disk
