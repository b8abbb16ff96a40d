#pragma once

#include "disk/containers/Containers.h"
#include "disk/PrivateCopy.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>

struct TSK_IMG_INFO;

namespace disk {

class Container;

// A disk image or a block device, opened read-only: raw images (split ones
// from any of their segments), EnCase E01 and devices through The Sleuth Kit;
// qcow2, VHD/VHDX, VMDK and VDI with their chains of parents as containers
// of their own, handed to The Sleuth Kit. The format is told by content.
// Nothing is ever written.
class DiskImage {
public:
    // Fails with a RuntimeError that names the file and what is wrong (a
    // missing parent: a MissingParent).
    explicit DiskImage(const QString& path, const ChainHints& hints = {});
    // A container read as an image of its own (an unlocked volume), named `name` in messages.
    DiskImage(const QString& name, std::unique_ptr<Container> container);
    ~DiskImage();
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;

    const QString& path() const { return path_; }
    // "Rohabbild", "Blockgerät", "E01", "qcow2", "VHD", "VHDX", "VMDK", "VDI"
    const QString& format() const { return format_; }
    // The files read, the one named first: its parents, its segments, its extents.
    QStringList files() const;
    std::int64_t size() const;
    TSK_IMG_INFO* tsk() const { return image_; }

    // Exactly `length` bytes at `offset`, or false (past the end, a read error).
    bool read(std::int64_t offset, void* out, std::size_t length) const;

private:
    QString path_;
    QString format_;
    TSK_IMG_INFO* image_ = nullptr;
    Container* container_ = nullptr;  // owned by image_, when the format is one of them
};

// Whether a file or device is to be opened as a disk image: a block device, a
// file whose content begins as an image format, a partition table or a file
// system does (a hive or a registry export is none of these), or a segment
// of a split raw image.
bool looksLikeDiskImage(const QString& path);

// The Sleuth Kit's last error: `otherwise` in German (or `cutOff`, when the
// image ends before what was read), its own words marked for the details.
QString tskError(const QString& otherwise,
                 const QString& cutOff = QStringLiteral("das Abbild ist abgeschnitten: die Daten liegen hinter seinem Ende"));

}  // namespace disk
