#pragma once

#include "inventory/KeyReader.h"
#include "registry/InstallationFiles.h"

#include <memory>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace inventory {

// A user with a profile on the machine.
struct User {
    QString sid;
    QString name;     // from SAM where it names the account, else the profile folder's name
    QString profile;  // the profile folder, as Windows keeps it ("C:\Users\bob")
    std::optional<QString> lastUsed;  // ISO 8601 UTC
};

// Where the installation's system lies, as its SOFTWARE says: the system
// drive ("C:") and the Windows folder ("C:\Windows").
struct SystemFolders {
    QString drive;
    QString root;
};
SystemFolders systemFoldersOf(const KeyReader& reader);

// The users with a profile (ProfileList), but the system's own accounts
// (S-1-5-18, -19, -20), in the order of their keys; named as SAM names them
// where `files` hold it, else by their profile folder.
std::vector<User> readUsers(const KeyReader& reader, const registry::InstallationFiles* files,
                            const SystemFolders& system, QStringList& warnings);

// The user's own registry, where it lies on the system drive; nothing where
// it does not, or the installation's files are not at hand. One that cannot
// be read is a warning.
std::shared_ptr<const registry::RegistrySource> userRegistry(const User& user, const registry::InstallationFiles* files,
                                                             const SystemFolders& system, QStringList& warnings);

}  // namespace inventory
