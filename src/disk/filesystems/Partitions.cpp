#include "disk/filesystems/Partitions.h"

#include "disk/FileBytes.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

namespace disk {

namespace {

// What real tables hold: Windows writes 128 entries of 128 bytes; a header
// whose table is larger, or whose entries are no multiple of 128 bytes, is
// damaged (or made to keep a reader busy: The Sleuth Kit reads every entry
// the header counts, one by one).
constexpr std::uint32_t kMaxEntrySize = 4096;
constexpr std::uint64_t kMaxTableBytes = 4 << 20;
// Logical partitions in one extended partition's chain; fdisk and Windows stay far below.
constexpr int kMaxLogical = 128;

// An image without a table, or whose table is damaged: one partition, numbered 0.
Partition wholeImage(const DiskImage& image)
{
    Partition whole;
    whole.size = image.size();
    return whole;
}

struct GptHeader {
    std::uint64_t entriesLba = 0;
    std::uint32_t count = 0;
    std::uint32_t entrySize = 0;
    std::uint64_t alternateLba = 0;
};

// The GPT header at `lba` when it is one and sound; why not, in `fault`, when it is not.
std::optional<GptHeader> gptHeaderAt(const DiskImage& image, std::uint64_t lba, std::uint32_t sector, QString& fault)
{
    const std::uint64_t disk = std::uint64_t(image.size());
    if (lba == 0 || lba >= disk / sector) {
        fault = QStringLiteral("ihr Kopf liegt außerhalb des Datenträgers");
        return std::nullopt;
    }
    char h[512];
    if (!image.read(std::int64_t(lba * sector), h, sizeof h) || std::memcmp(h, "EFI PART", 8) != 0) {
        fault = QStringLiteral("ihr Kopf fehlt");
        return std::nullopt;
    }
    GptHeader g{le64(h + 72), le32(h + 80), le32(h + 84), le64(h + 32)};
    const std::uint32_t headerSize = le32(h + 12);
    if (headerSize < 92 || headerSize > sector) {
        fault = QStringLiteral("ihr Kopf nennt eine unmögliche Größe von %1 Bytes").arg(headerSize);
        return std::nullopt;
    }
    if (g.entrySize < 128 || g.entrySize % 128 != 0 || g.entrySize > kMaxEntrySize
        || std::uint64_t(g.count) * g.entrySize > kMaxTableBytes) {
        fault = QStringLiteral("ihr Kopf nennt %1 Einträge von %2 Bytes, mehr als eine Partitionstabelle hält")
                    .arg(g.count)
                    .arg(g.entrySize);
        return std::nullopt;
    }
    const std::uint64_t bytes = std::uint64_t(g.count) * g.entrySize;
    if (g.entriesLba == 0 || g.entriesLba >= disk / sector || bytes > disk - g.entriesLba * sector) {
        fault = QStringLiteral("ihre Einträge liegen außerhalb des Datenträgers");
        return std::nullopt;
    }
    return g;
}

// The partitions of a table read from its backup header, where the primary one is damaged.
std::vector<Partition> gptEntries(const DiskImage& image, const GptHeader& g, std::uint32_t sector)
{
    std::vector<Partition> partitions;
    std::vector<char> entry(g.entrySize);
    const std::uint64_t disk = std::uint64_t(image.size());
    for (std::uint32_t i = 0; i < g.count; ++i) {
        if (!image.read(std::int64_t(g.entriesLba * sector + std::uint64_t(i) * g.entrySize), entry.data(), entry.size()))
            break;
        static const char unused[16] = {};
        if (std::memcmp(entry.data(), unused, 16) == 0) continue;
        const std::uint64_t first = le64(entry.data() + 32), last = le64(entry.data() + 40);
        if (last < first || first >= disk / sector) continue;
        Partition p;
        p.number = int(i) + 1;
        p.start = std::int64_t(first * sector);
        p.size = std::int64_t(std::min<std::uint64_t>(last - first + 1, disk / sector - first) * sector);
        const auto* name = reinterpret_cast<const char16_t*>(entry.data() + 56);
        p.description = QString::fromUtf16(name, 36).section(QChar(0), 0, 0);
        p.guid = uuidText(entry.data() + 16, true);
        partitions.push_back(p);
    }
    return partitions;
}

// Whether the chain of extended boot records behind the MBR ends, without a
// loop, within what real disks hold.
bool extendedChainEnds(const DiskImage& image, const char* mbr)
{
    for (int slot = 0; slot < 4; ++slot) {
        const char* e = mbr + 446 + 16 * slot;
        const auto type = static_cast<unsigned char>(e[4]);
        if (type != 0x05 && type != 0x0F && type != 0x85) continue;
        const std::uint64_t base = le32(e + 8);
        std::uint64_t next = base;
        std::set<std::uint64_t> seen;
        for (int hops = 0; next != 0; ++hops) {
            if (hops > kMaxLogical || !seen.insert(next).second) return false;
            char ebr[512];
            if (!image.read(std::int64_t(next * 512), ebr, sizeof ebr)) break;  // cut off: The Sleuth Kit stops there too
            if (static_cast<unsigned char>(ebr[510]) != 0x55 || static_cast<unsigned char>(ebr[511]) != 0xAA) break;
            const char* link = ebr + 446 + 16;
            const auto linkType = static_cast<unsigned char>(link[4]);
            next = linkType == 0x05 || linkType == 0x0F || linkType == 0x85 ? base + le32(link + 8) : 0;
        }
    }
    return true;
}

}  // namespace

PartitionTable partitionsOf(const DiskImage& image)
{
    PartitionTable table;
    std::optional<GptHeader> gpt;
    // The table's kind from its signatures (a GPT disk's protective MBR would
    // be tried as an MBR first, and The Sleuth Kit leaves what it read of it).
    char sectors[4096 + 512] = {};
    const bool read = image.read(0, sectors, sizeof sectors) || image.read(0, sectors, 1024);
    TSK_VS_TYPE_ENUM type = TSK_VS_TYPE_DETECT;
    const std::uint32_t sector = std::memcmp(sectors + 512, "EFI PART", 8) == 0 ? 512 : 4096;
    if (read && (std::memcmp(sectors + 512, "EFI PART", 8) == 0 || std::memcmp(sectors + 4096, "EFI PART", 8) == 0)) {
        // The header is checked before The Sleuth Kit loops over what it counts.
        QString fault;
        gpt = gptHeaderAt(image, 1, sector, fault);
        if (!gpt) {
            table.kind = QStringLiteral("GPT");
            QString backupFault;
            std::uint64_t alternate = le64(sectors + sector + 32);
            if (alternate == 0 || alternate >= std::uint64_t(image.size()) / sector)
                alternate = std::uint64_t(image.size()) / sector - 1;
            if (const auto backup = gptHeaderAt(image, alternate, sector, backupFault))
                table.partitions = gptEntries(image, *backup, sector);
            else
                table.fault = QStringLiteral("beschädigt: %1, und ihre Sicherung ist nicht lesbar").arg(fault);
            if (table.partitions.empty()) table.partitions.push_back(wholeImage(image));
            return table;
        }
        type = TSK_VS_TYPE_GPT;
    } else if (read && static_cast<unsigned char>(sectors[510]) == 0x55 && static_cast<unsigned char>(sectors[511]) == 0xAA) {
        type = TSK_VS_TYPE_DOS;
        table.mbrSignature = le32(sectors + 440);
        if (!extendedChainEnds(image, sectors)) {
            table.kind = QStringLiteral("MBR");
            table.fault = QStringLiteral("beschädigt: die Kette ihrer logischen Partitionen führt im Kreis oder ist "
                                         "länger als %1")
                              .arg(kMaxLogical);
            table.partitions.push_back(wholeImage(image));
            return table;
        }
    }
    tsk_error_reset();
    TSK_VS_INFO* vs = type == TSK_VS_TYPE_DETECT ? nullptr : tsk_vs_open(image.tsk(), 0, type);
    if (!vs) {
        table.partitions.push_back(wholeImage(image));
        return table;
    }
    table.kind = vs->vstype == TSK_VS_TYPE_GPT ? QStringLiteral("GPT")
                 : vs->vstype == TSK_VS_TYPE_DOS ? QStringLiteral("MBR")
                                                  : QString::fromUtf8(tsk_vs_type_toname(vs->vstype));
    int logical = 4;
    for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
        const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
        if (!part || !(part->flags & TSK_VS_PART_FLAG_ALLOC)) continue;
        Partition p;
        // fdisk counts GPT entries by their slot, MBR primaries 1 to 4 and logicals from 5 on.
        if (vs->vstype == TSK_VS_TYPE_DOS && part->table_num > 0)
            p.number = ++logical;
        else
            p.number = part->slot_num + 1;
        // Start and length are the table's: any 64-bit numbers. Only what lies
        // in the image counts, computed without overflowing.
        const std::uint64_t block = vs->block_size, bytes = std::uint64_t(image.size());
        if (block == 0 || part->start >= bytes / block) continue;  // nothing of it is in the image
        p.start = std::int64_t(part->start * block);
        const std::uint64_t left = bytes - std::uint64_t(p.start);
        p.size = std::int64_t(part->len > left / block ? left : part->len * block);
        p.description = QString::fromUtf8(part->desc ? part->desc : "");
        // The Sleuth Kit keeps no GUIDs: the entry of the partition's slot holds it.
        char entry[32];
        if (vs->vstype == TSK_VS_TYPE_GPT && gpt && std::uint64_t(p.number - 1) < gpt->count
            && image.read(std::int64_t(gpt->entriesLba * sector + std::uint64_t(p.number - 1) * gpt->entrySize), entry,
                          sizeof entry))
            p.guid = uuidText(entry + 16, true);
        table.partitions.push_back(p);
    }
    tsk_vs_close(vs);
    if (table.partitions.empty()) table.partitions.push_back(wholeImage(image));
    return table;
}

}  // namespace disk
