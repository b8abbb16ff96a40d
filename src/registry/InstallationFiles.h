#pragma once

#include "registry/hive/Hive.h"

#include <QString>

#include <memory>

namespace registry {

// The files of a Windows installation beside the hives it was found by (the
// SAM hive, the users' NTUSER.DAT), opened where they lie: in a folder, or on
// the partition of a disk image, and read as lazily as its hives.
class InstallationFiles {
public:
    virtual ~InstallationFiles() = default;
    // The hive of any kind at the installation's Windows path
    // ("C:\Users\bob\NTUSER.DAT", "\Windows\System32\config\SAM"), every name
    // matched without regard to case, brought up to date from the logs
    // beside it; nothing when there is no such file. Fails with a
    // RuntimeError naming it when it is damaged.
    virtual std::shared_ptr<const Hive> hive(const QString& windowsPath) const = 0;
};

// The names of a Windows path below its drive: "C:\Users\bob" -> Users, bob.
QStringList windowsPathNames(const QString& windowsPath);

// An installation in a folder: `root` holds its Windows (or WINNT) folder.
std::shared_ptr<const InstallationFiles> folderInstallation(const QString& root);

}  // namespace registry
