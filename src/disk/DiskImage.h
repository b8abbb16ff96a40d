#pragma once

#include "disk/PrivateCopy.h"

#include <QString>

#include <cstddef>
#include <cstdint>

struct TSK_IMG_INFO;

namespace disk {

// A disk image or a block device, opened read-only with The Sleuth Kit: raw
// and split raw images, EnCase E01, VHD and VHDX, VMDK, and qcow2 through
// libqcow. The format is told by content. Nothing is ever written.
class DiskImage {
public:
    // Fails with a RuntimeError that names the file and what is wrong.
    explicit DiskImage(const QString& path);
    ~DiskImage();
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;

    const QString& path() const { return path_; }
    const QString& format() const { return format_; }  // "Rohabbild", "E01", "VHD/VHDX", "VMDK", "qcow2"
    std::int64_t size() const;
    TSK_IMG_INFO* tsk() const { return image_; }

    // Exactly `length` bytes at `offset`, or false (past the end, a read error).
    bool read(std::int64_t offset, void* out, std::size_t length) const;
    // The same appended to a private copy: from a raw image or a device by the
    // kernel, as a file is copied; from any other format in large reads past
    // The Sleuth Kit's cache.
    bool copyRange(std::int64_t offset, std::int64_t length, PrivateCopy& out) const;

private:
    QString path_;
    QString format_;
    TSK_IMG_INFO* image_ = nullptr;
    int rawFile_ = -1;  // a single-file raw image or a device, opened for copyRange
};

// Whether a file or device is to be opened as a disk image: a block device, or
// a file whose content begins as an image format, a partition table or a file
// system does (a hive or a registry export is none of these).
bool looksLikeDiskImage(const QString& path);

// The Sleuth Kit's last error, as it says it.
QString tskError();

}  // namespace disk
