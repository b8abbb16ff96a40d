#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include <sys/types.h>

namespace disk {

// A virtual disk kept in one or more files by a format of its own (qcow2,
// VHD/VHDX, VMDK, VDI): the bytes the guest saw, read through its chain of
// parents to the end. Handed to The Sleuth Kit as an image of its own.
class Container {
public:
    virtual ~Container() = default;

    virtual std::int64_t size() const = 0;
    // Up to `length` bytes at `offset`, which lies within size(); the count
    // read, or -1 when the files cannot be read there.
    virtual ssize_t read(std::int64_t offset, char* out, std::size_t length) = 0;
    // "qcow2", "VHD", "VHDX", "VMDK", "VDI"
    virtual QString format() const = 0;
    // The files read, the one named first, then its parents in order.
    virtual QStringList files() const = 0;
    // The sector size the guest saw: 512, or 4096 for a disk made so.
    virtual unsigned sectorSize() const { return 512; }
};

// What is known beyond the image itself about where its parents are: the
// disk files a virtual machine's configuration names.
struct ChainHints {
    QStringList knownImages;
};

// Opens a parent found by a container of our own, with its own chain.
using OpenParent = std::function<std::unique_ptr<Container>(const QString& path)>;

}  // namespace disk
