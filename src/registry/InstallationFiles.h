#pragma once

#include "disk/filesystems/Partitions.h"
#include "registry/text/RegistrySource.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace registry {

// The files of a Windows installation beside the hives it was found by (the
// SAM hive, the users' NTUSER.DAT), opened where they lie: in a folder, in a
// Wine prefix, or on the partition of a disk image, and read as lazily as its
// hives. Paths are the installation's own, on its system drive; a path's
// drive letter is the caller's to check.
class InstallationFiles {
public:
    virtual ~InstallationFiles() = default;
    // The hive of any kind at the installation's Windows path
    // ("C:\Users\bob\NTUSER.DAT", "\Windows\System32\config\SAM"), every name
    // matched without regard to case, brought up to date from the logs
    // beside it; nothing when there is no such file. Fails with a
    // RuntimeError naming it when it is damaged.
    virtual std::shared_ptr<const RegistrySource> hive(const QString& windowsPath) const = 0;
    // The registry of the user `sid`, whose profile folder is `profile`: the
    // NTUSER.DAT in it (a Wine prefix keeps its user's as user.reg). Nothing
    // when there is none; fails as hive() does.
    virtual std::shared_ptr<const RegistrySource> userHive(const QString& sid, const QString& profile) const;
    // The partition table of the disk the installation lies on, and its
    // partition's number; null where it lies in no disk image.
    virtual const disk::PartitionTable* partitionTable() const { return nullptr; }
};

// The names of a Windows path below its drive: "C:\Users\bob" -> Users, bob.
QStringList windowsPathNames(const QString& windowsPath);

// An installation in a folder: `root` holds its Windows (or WINNT) folder.
std::shared_ptr<const InstallationFiles> folderInstallation(const QString& root);

// A Wine prefix: `prefix` holds system.reg, user.reg and drive_c.
std::shared_ptr<const InstallationFiles> winePrefixInstallation(const QString& prefix);

}  // namespace registry
