#pragma once

#include "disk/Container.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace disk {

class ChainGuard;

// What the header of a VDI file (VirtualBox's own format) says, every field
// checked against the others and against the file's size.
struct VdiHeader {
    enum Type : std::uint32_t { Dynamic = 1, Fixed = 2, Undo = 3, Differencing = 4 };
    std::uint32_t type = 0;
    std::uint32_t blocksAt = 0;   // the block map
    std::uint32_t dataAt = 0;     // the first block
    std::uint64_t diskSize = 0;   // as the guest sees it
    std::uint32_t blockSize = 0;  // 1 MiB as VirtualBox makes them
    std::uint32_t blockExtra = 0; // bytes before each block's data
    std::uint32_t blocks = 0;
    QString created;              // the image's own UUID
    QString linkage;              // a differencing image's: its parent's creation UUID
};
// The header, or a German sentence saying what is wrong with it.
struct VdiHeaderRead {
    std::optional<VdiHeader> header;
    QString fault;
};
VdiHeaderRead readVdiHeader(const QString& path);

// A VDI image: fixed, dynamic or differencing (its parent found by the UUID
// it names, among the .vdi files beside it, in the folder above, as
// VirtualBox keeps snapshots in Snapshots/, or among the files a VM's
// configuration names). Block numbers, offsets and sizes are checked before
// any block is read: a cut-off or inconsistent image is told when it is
// opened, and nothing is read past its end.
class VdiImage final : public Container {
public:
    VdiImage(const QString& path, const ChainHints& hints, const OpenParent& openParent, ChainGuard& guard);
    ~VdiImage() override;

    std::int64_t size() const override { return std::int64_t(header_.diskSize); }
    ssize_t read(std::int64_t offset, char* out, std::size_t length) override;
    QString format() const override { return QStringLiteral("VDI"); }
    QStringList files() const override;

    static constexpr std::uint32_t Free = 0xFFFFFFFF;  // not in this image: its parent's, or zeros
    static constexpr std::uint32_t Zero = 0xFFFFFFFE;  // zeros

private:
    QString path_;
    VdiHeader header_;
    int fd_ = -1;
    std::vector<std::uint32_t> map_;
    std::unique_ptr<Container> parent_;
};

}  // namespace disk
