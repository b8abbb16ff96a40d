#include "disk/Partitions.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstring>

namespace disk {

PartitionTable partitionsOf(const DiskImage& image)
{
    PartitionTable table;
    // The table's kind from its signatures (a GPT disk's protective MBR would
    // be tried as an MBR first, and The Sleuth Kit leaves what it read of it).
    char sectors[4096 + 512] = {};
    const bool read = image.read(0, sectors, sizeof sectors) || image.read(0, sectors, 1024);
    TSK_VS_TYPE_ENUM type = TSK_VS_TYPE_DETECT;
    if (read && (std::memcmp(sectors + 512, "EFI PART", 8) == 0 || std::memcmp(sectors + 4096, "EFI PART", 8) == 0))
        type = TSK_VS_TYPE_GPT;
    else if (read && static_cast<unsigned char>(sectors[510]) == 0x55 && static_cast<unsigned char>(sectors[511]) == 0xAA)
        type = TSK_VS_TYPE_DOS;
    tsk_error_reset();
    TSK_VS_INFO* vs = type == TSK_VS_TYPE_DETECT ? nullptr : tsk_vs_open(image.tsk(), 0, type);
    if (!vs) {
        table.partitions.push_back({0, 0, image.size(), {}});
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
        table.partitions.push_back(p);
    }
    tsk_vs_close(vs);
    if (table.partitions.empty()) table.partitions.push_back({0, 0, image.size(), {}});
    return table;
}

}  // namespace disk
