#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace disk {

// The block allocation table of a dynamic or differencing VHD, or of a
// differencing VHDX, read from the file's own structures and checked against
// its size: where each block lies and whether it is this file's, its
// parent's, or zeros; per sector, for a block this file holds in part (the
// sector bitmaps: VHD's with the first sector in a byte's highest bit,
// VHDX's in its lowest).
class VhdBlocks {
public:
    enum class Source { Own, Parent, Zero };
    // The table, or nothing with `fault` saying why.
    static std::optional<VhdBlocks> readVhd(const QString& path, QString& fault);
    static std::optional<VhdBlocks> readVhdx(const QString& path, QString& fault);

    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t sectorSize() const { return sectorSize_; }
    // Where `length` bytes at `offset` of the disk (within one block) come
    // from: the first run's source and length, and for Own its file offset.
    struct Run {
        Source source;
        std::uint64_t length;
        std::uint64_t fileOffset;
    };
    // Fails (nothing) only where a sector bitmap cannot be read.
    std::optional<Run> runAt(int fd, std::uint64_t offset, std::uint64_t length) const;

private:
    std::optional<Run> vhdRunAt(int fd, std::uint64_t offset, std::uint64_t length) const;
    std::optional<Run> vhdxRunAt(int fd, std::uint64_t offset, std::uint64_t length) const;

    bool vhdx_ = false;
    bool differencing_ = false;
    std::uint32_t blockSize_ = 0, sectorSize_ = 512, chunkRatio_ = 0, bitmapBytes_ = 0;
    // VHDX: the entries as stored, payload entries with a sector bitmap entry
    // after each chunk. VHD: each block's file offset (its bitmap first), or Unallocated.
    std::vector<std::uint64_t> entries_;
    static constexpr std::uint64_t Unallocated = ~std::uint64_t(0);
};

}  // namespace disk
