#include "disk/containers/VhdBlocks.h"

#include "disk/FileBytes.h"
#include "disk/containers/VhdStructures.h"

#include <QByteArray>

#include <algorithm>

#include <unistd.h>

namespace disk {

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t MaxEntries = 32u << 20;  // a table of 256 MiB

// Block states (the low three bits of an entry); the others (0 not present,
// 1 undefined, 3 unmapped) leave a block to the parent.
constexpr unsigned Zero = 2, FullyPresent = 6, PartiallyPresent = 7;

}  // namespace

std::optional<VhdBlocks> VhdBlocks::readVhdx(const QString& path, QString& fault)
{
    auto fail = [&](const QString& what) {
        fault = QStringLiteral("ist beschädigt (VHDX): ") + what;
        return std::nullopt;
    };
    const auto size = fileSize(path);
    if (!size) return fail(QStringLiteral("nicht lesbar"));
    const VhdxRegions regions = readVhdxRegions(path, *size);
    if (!regions.fault.isEmpty()) {
        fault = regions.fault;
        return std::nullopt;
    }
    if (regions.batLength == 0) return fail(QStringLiteral("die Blocktabelle liegt nicht in der Datei"));
    const auto inFile = [&](std::uint64_t at, std::uint64_t length) {
        return at > 0 && at <= std::uint64_t(*size) && length <= std::uint64_t(*size) - at;
    };
    VhdBlocks blocks;
    blocks.vhdx_ = blocks.differencing_ = true;
    const QByteArrayView parameters = vhdxMetadataItem(regions.metadata, "caa16737-fa36-4d43-b3b6-33f0aa44e76b");
    const QByteArrayView sizeItem = vhdxMetadataItem(regions.metadata, "2fa54224-cd1b-4876-b211-5dbed83bf4b8");
    const QByteArrayView sector = vhdxMetadataItem(regions.metadata, "8141bf1d-a96f-4709-ba47-f233a8faab5f");
    if (parameters.size() >= 8) blocks.blockSize_ = le32(parameters.data());
    const std::uint64_t diskSize = sizeItem.size() >= 8 ? le64(sizeItem.data()) : 0;
    if (sector.size() >= 4) blocks.sectorSize_ = le32(sector.data());
    const std::uint32_t bs = blocks.blockSize_;
    if (bs < MiB || bs > 256 * MiB || (bs & (bs - 1)) != 0) return fail(QStringLiteral("Blöcke von %1 Bytes").arg(bs));
    if (blocks.sectorSize_ != 512 && blocks.sectorSize_ != 4096)
        return fail(QStringLiteral("Sektoren von %1 Bytes").arg(blocks.sectorSize_));
    if (diskSize == 0 || diskSize > (1ull << 46)) return fail(QStringLiteral("eine Größe von %1 Bytes").arg(diskSize));
    blocks.chunkRatio_ = std::uint32_t((std::uint64_t(1) << 23) * blocks.sectorSize_ / bs);
    const std::uint64_t dataBlocks = (diskSize + bs - 1) / bs;
    const std::uint64_t chunks = (dataBlocks + blocks.chunkRatio_ - 1) / blocks.chunkRatio_;
    const std::uint64_t entries = chunks * (blocks.chunkRatio_ + 1);
    if (entries > MaxEntries || entries * 8 > regions.batLength) return fail(QStringLiteral("die Blocktabelle ist zu kurz"));
    const QByteArray table = fileHead(path, qint64(entries * 8), qint64(regions.batAt));
    if (std::uint64_t(table.size()) != entries * 8) return fail(QStringLiteral("die Blocktabelle ist nicht lesbar"));
    blocks.entries_.resize(entries);
    for (std::uint64_t i = 0; i < entries; ++i) {
        std::uint64_t& entry = blocks.entries_[i];
        entry = le64(table.constData() + 8 * i);
        const unsigned state = entry & 7;
        const bool bitmap = (i + 1) % (blocks.chunkRatio_ + 1) == 0;
        const bool stored = bitmap ? state == FullyPresent : state == FullyPresent || state == PartiallyPresent;
        if (stored && !inFile((entry >> 20) * MiB, bitmap ? MiB : bs))
            return fail(QStringLiteral("Block %1 liegt hinter dem Dateiende").arg(i));
    }
    return blocks;
}

std::optional<VhdBlocks::Run> VhdBlocks::vhdxRunAt(int fd, std::uint64_t offset, std::uint64_t length) const
{
    const std::uint64_t block = offset / blockSize_, within = offset % blockSize_;
    length = std::min<std::uint64_t>(length, blockSize_ - within);
    const std::uint64_t index = block + block / chunkRatio_;
    if (index >= entries_.size()) return Run{Source::Zero, length, 0};
    const std::uint64_t entry = entries_[index];
    const std::uint64_t at = (entry >> 20) * MiB + within;
    switch (entry & 7) {
    case FullyPresent: return Run{Source::Own, length, at};
    case Zero: return Run{Source::Zero, length, 0};
    case PartiallyPresent: break;
    default: return Run{Source::Parent, length, 0};  // not present, undefined, unmapped: the parent's
    }
    // Partly this file's: its chunk's sector bitmap says, sector by sector.
    const std::uint64_t bitmapEntry = entries_[(block / chunkRatio_ + 1) * (chunkRatio_ + 1) - 1];
    if ((bitmapEntry & 7) != FullyPresent) return std::nullopt;
    const std::uint64_t firstSector = (block % chunkRatio_) * (blockSize_ / sectorSize_) + within / sectorSize_;
    const std::uint64_t sectors = (within % sectorSize_ + length + sectorSize_ - 1) / sectorSize_;
    unsigned char bits[512];
    const std::uint64_t byte = firstSector / 8;
    const std::uint64_t bytes = std::min<std::uint64_t>(sizeof bits, (firstSector % 8 + sectors + 7) / 8);
    if (::pread(fd, bits, bytes, off_t((bitmapEntry >> 20) * MiB + byte)) != ssize_t(bytes)) return std::nullopt;
    auto bit = [&](std::uint64_t s) { return (bits[(s - byte * 8) / 8] >> ((s - byte * 8) % 8)) & 1; };
    const int own = bit(firstSector);
    std::uint64_t s = firstSector + 1;
    while (s < firstSector + sectors && s < (byte + bytes) * 8 && bit(s) == own) ++s;
    const std::uint64_t run = std::min<std::uint64_t>(length, (s - firstSector) * sectorSize_ - within % sectorSize_);
    return Run{own ? Source::Own : Source::Parent, run, at};
}

std::optional<VhdBlocks> VhdBlocks::readVhd(const QString& path, QString& fault)
{
    auto fail = [&](const QString& what) {
        fault = QStringLiteral("ist beschädigt (VHD): ") + what;
        return std::nullopt;
    };
    const auto size = fileSize(path);
    if (!size || *size < 1536) return fail(QStringLiteral("zu kurz"));
    const VhdHeaders vhd = readVhdHeaders(path, *size);
    if (!vhd.fault.isEmpty()) {
        fault = vhd.fault;
        return std::nullopt;
    }
    const std::uint32_t type = vhd.type;
    if (type != 3 && type != 4) return fail(QStringLiteral("kein dynamisches und kein Differenzabbild"));
    const QByteArray& header = vhd.header;
    const std::uint64_t diskSize = be64(vhd.footer.constData() + 48);
    VhdBlocks blocks;
    blocks.differencing_ = type == 4;
    const std::uint64_t tableAt = be64(header.constData() + 16);
    const std::uint32_t count = be32(header.constData() + 28);
    blocks.blockSize_ = be32(header.constData() + 32);
    const std::uint32_t bs = blocks.blockSize_;
    if (bs < 4096 || bs > 256 * MiB || (bs & (bs - 1)) != 0) return fail(QStringLiteral("Blöcke von %1 Bytes").arg(bs));
    if (diskSize == 0 || diskSize > (1ull << 41) || (diskSize + bs - 1) / bs > count || count > (1u << 24))
        return fail(QStringLiteral("%1 Blöcke zu %2 Bytes passen nicht zur Größe von %3 Bytes").arg(count).arg(bs).arg(diskSize));
    blocks.bitmapBytes_ = (bs / 512 / 8 + 511) / 512 * 512;
    const std::uint64_t entries = (diskSize + bs - 1) / bs;
    if (tableAt > std::uint64_t(*size) || entries * 4 > std::uint64_t(*size) - tableAt)
        return fail(QStringLiteral("die Blocktabelle liegt hinter dem Dateiende"));
    const QByteArray table = fileHead(path, qint64(entries * 4), qint64(tableAt));
    if (std::uint64_t(table.size()) != entries * 4) return fail(QStringLiteral("die Blocktabelle ist nicht lesbar"));
    blocks.entries_.resize(entries);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint32_t sector = be32(table.constData() + 4 * i);
        std::uint64_t& entry = blocks.entries_[i];
        entry = sector == 0xFFFFFFFF ? Unallocated : std::uint64_t(sector) * 512;
        if (entry != Unallocated && entry + blocks.bitmapBytes_ + bs > std::uint64_t(*size))
            return fail(QStringLiteral("Block %1 liegt hinter dem Dateiende").arg(i));
    }
    return blocks;
}

std::optional<VhdBlocks::Run> VhdBlocks::runAt(int fd, std::uint64_t offset, std::uint64_t length) const
{
    return vhdx_ ? vhdxRunAt(fd, offset, length) : vhdRunAt(fd, offset, length);
}

std::optional<VhdBlocks::Run> VhdBlocks::vhdRunAt(int fd, std::uint64_t offset, std::uint64_t length) const
{
    const std::uint64_t block = offset / blockSize_, within = offset % blockSize_;
    length = std::min<std::uint64_t>(length, blockSize_ - within);
    if (block >= entries_.size()) return Run{Source::Zero, length, 0};
    const std::uint64_t entry = entries_[block];
    if (entry == Unallocated) return Run{differencing_ ? Source::Parent : Source::Zero, length, 0};
    const std::uint64_t at = entry + bitmapBytes_ + within;
    if (!differencing_) return Run{Source::Own, length, at};  // a dynamic disk holds every sector of its blocks
    // A differencing disk's bitmap says sector by sector.
    const std::uint64_t first = within / 512, sectors = (within % 512 + length + 511) / 512;
    unsigned char bits[512];
    const std::uint64_t byte = first / 8;
    const std::uint64_t bytes = std::min<std::uint64_t>(sizeof bits, (first % 8 + sectors + 7) / 8);
    if (::pread(fd, bits, bytes, off_t(entry + byte)) != ssize_t(bytes)) return std::nullopt;
    auto bit = [&](std::uint64_t s) { return (bits[(s - byte * 8) / 8] >> (7 - (s - byte * 8) % 8)) & 1; };
    const int own = bit(first);
    std::uint64_t s = first + 1;
    while (s < first + sectors && s < (byte + bytes) * 8 && bit(s) == own) ++s;
    const std::uint64_t run = std::min<std::uint64_t>(length, (s - first) * 512 - within % 512);
    return Run{own ? Source::Own : Source::Parent, run, at};
}

}  // namespace disk
