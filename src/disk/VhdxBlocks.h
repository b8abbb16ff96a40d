#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace disk {

// The block allocation table of a differencing VHDX, read from the file's
// own structures and checked against its size: where each block lies and
// whether it is this file's, its parent's, or zeros; per sector, for a block
// this file holds in part.
class VhdxBlocks {
public:
    enum class Source { Own, Parent, Zero };
    // A differencing VHDX's table, or nothing with `fault` saying why.
    static std::optional<VhdxBlocks> read(const QString& path, QString& fault);

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
    std::uint32_t blockSize_ = 0, sectorSize_ = 512, chunkRatio_ = 0;
    std::vector<std::uint64_t> entries_;  // payload entries, a sector bitmap entry after each chunk
};

}  // namespace disk
