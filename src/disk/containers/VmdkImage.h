#pragma once

#include "disk/Container.h"

#include <cstdint>
#include <vector>

typedef intptr_t libvmdk_handle_t;  // as libvmdk declares it

namespace disk {

class ChainGuard;

// A VMDK image through libvmdk: a descriptor with its extents (flat, sparse,
// split in 2 GB pieces) or a sparse or stream-optimized file with its
// descriptor inside; a snapshot (a delta naming its parent with
// parentFileNameHint) with its parents, each checked: the content identifier
// the child names, the same size. seSparse snapshots, which libvmdk does not
// read, are named as such.
class VmdkImage final : public Container {
public:
    VmdkImage(const QString& path, ChainGuard& guard);
    ~VmdkImage() override;

    std::int64_t size() const override { return size_; }
    ssize_t read(std::int64_t offset, char* out, std::size_t length) override;
    QString format() const override { return QStringLiteral("VMDK"); }
    QStringList files() const override { return files_; }

private:
    std::vector<libvmdk_handle_t*> chain_;  // the image, then its parents
    QStringList files_;                     // each link's descriptor and its extents
    std::int64_t size_ = 0;
};

}  // namespace disk
