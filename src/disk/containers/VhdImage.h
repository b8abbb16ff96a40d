#pragma once

#include "disk/Container.h"
#include "disk/containers/VhdBlocks.h"

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
// names, the same size. The blocks of dynamic and differencing files are
// found through their own tables here, from link to link: libvhdi takes a
// differencing VHDX's chunk without a sector bitmap (a region Hyper-V has not
// written since the checkpoint) for the file's own bytes, and reads dynamic
// VHDs at a tenth of the disk's speed. Fixed files and dynamic VHDX are read
// with libvhdi.
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
    std::vector<std::optional<VhdBlocks>> blocks_;  // each link's table, where it is read here
    std::vector<int> fds_;                           // each such link's file
    QStringList files_;
    QString format_;
    std::int64_t size_ = 0;
    unsigned sectorSize_ = 512;
};

}  // namespace disk
