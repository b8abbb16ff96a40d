#pragma once

#include "registry/FileCache.h"
#include "registry/InstallationFiles.h"
#include "registry/hive/Hive.h"

#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace registry {

// A source that names a disk image or block device, a virtual machine (its
// .vbox or .vmx, or its folder) ("BILD"), or partition N of one ("BILD@N").
struct ImageName {
    QString image;
    int partition = -1;  // -1: the one installation there is
};
// Nothing when the source is no image and no virtual machine's configuration:
// a folder (see virtualMachineNamed), a hive, a registry export.
std::optional<ImageName> imageNamed(const QString& source);

// The Windows installation on an image, or on the disks of a virtual machine
// in their current state: every NTFS partition (or the image itself when it
// holds a file system and no partition table) is searched for
// Windows\System32\config or WINNT\system32\config, every name without regard
// to case, and SYSTEM and SOFTWARE with their logs are read from it straight
// into private copies. Fails with a RuntimeError in German when the image
// holds none (naming what it holds), several (a SeveralInstallations listing
// each and how to choose one with BILD@N), or a BitLocker-encrypted one
// (saying how to unlock it); a machine with several disks, or a folder of
// disks or machines, shows the one holding Windows, and asks which where
// several do.
class ImageInstallation {
public:
    explicit ImageInstallation(const ImageName& name);

    const ImageName& name() const { return name_; }
    int partition() const { return partition_; }
    // The installation's partition: its size and its file system's label.
    std::int64_t size() const { return size_; }
    const QString& label() const { return label_; }
    const std::vector<std::shared_ptr<const Hive>>& hives() const { return hives_; }
    // The installation's other files (SAM, the users' hives), on the same partition.
    const std::shared_ptr<const InstallationFiles>& files() const { return files_; }
    // Whether none of the files read changed since.
    bool unchanged() const;

private:
    // A folder of several disks or machines: the one with Windows, or a question which.
    void openFolderOfMachines(const QStringList& machines);

    ImageName name_;
    int partition_ = 0;
    std::int64_t size_ = 0;
    QString label_;
    std::vector<std::shared_ptr<const Hive>> hives_;
    std::shared_ptr<const InstallationFiles> files_;
    std::vector<std::pair<QString, std::optional<FileStamp>>> stamps_;
};

// The installation, shared; read again only when one of its files changed.
std::shared_ptr<const ImageInstallation> cachedImageInstallation(const ImageName& name);

}  // namespace registry
