#pragma once

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

private:
    QString path_;
    QString format_;
    TSK_IMG_INFO* image_ = nullptr;
};

// Whether a file or device is to be opened as a disk image: a block device, or
// a file whose content begins as an image format, a partition table or a file
// system does (a hive or a registry export is none of these).
bool looksLikeDiskImage(const QString& path);

// The Sleuth Kit's last error, as it says it.
QString tskError();

}  // namespace disk
