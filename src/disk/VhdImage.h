#pragma once

#include "disk/Container.h"
#include "disk/VhdxBlocks.h"

#include <cstdint>
#include <optional>
#include <vector>

typedef intptr_t libvhdi_file_t;  // as libvhdi declares it

namespace disk {

class ChainGuard;

// A VHD or VHDX image through libvhdi; a differencing one (a Hyper-V
// checkpoint, .avhdx) with its parents, each looked for where the child's
// locators say (a relative path beside it, an absolute Linux path, a Windows
// path by its last name beside it) and checked: the identifier the child
// names, the same size. A differencing VHDX's blocks are found through its
// own table here: libvhdi takes a chunk without a sector bitmap (a region
// Hyper-V has not written since the checkpoint) for the file's own bytes.
class VhdImage final : public Container {
public:
    VhdImage(const QString& path, ChainGuard& guard);
    ~VhdImage() override;

    std::int64_t size() const override { return size_; }
    ssize_t read(std::int64_t offset, char* out, std::size_t length) override;
    QString format() const override { return format_; }
    QStringList files() const override { return files_; }
    unsigned sectorSize() const override { return sectorSize_; }

private:
    ssize_t readLink(std::size_t link, std::int64_t offset, char* out, std::size_t length);

    std::vector<libvhdi_file_t*> chain_;  // the image, then its parents
    std::vector<std::optional<VhdxBlocks>> blocks_;  // of each differencing VHDX in the chain
    std::vector<int> fds_;                            // each such link's file, for its blocks
    QStringList files_;
    QString format_;
    std::int64_t size_ = 0;
    unsigned sectorSize_ = 512;
};

}  // namespace disk
