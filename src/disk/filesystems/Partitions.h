#pragma once

#include "disk/containers/DiskImage.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace disk {

// One partition of a disk, or the whole image when it holds no table.
struct Partition {
    int number = 0;          // as fdisk counts (1, 2, ...; logical MBR partitions from 5); 0: the whole image
    std::int64_t start = 0;  // bytes
    std::int64_t size = 0;
    QString description;     // the table's: a GPT partition's name, an MBR partition's type
    QString guid;            // a GPT partition's own GUID ("40d56d36-9ab8-…", lower case); empty on MBR
};

struct PartitionTable {
    QString kind;  // "GPT", "MBR", or empty: no table, the image is one partition
    std::vector<Partition> partitions;
    QString fault;  // German, when the table is damaged (the image is then one partition)
    std::uint32_t mbrSignature = 0;  // an MBR's disk signature (bytes 440-443), which Windows names its volumes by
};

// The partitions of an image, as its partition table (MBR or GPT) lists them,
// allocated ones only; a partition that reaches past the image's end is cut
// to it. An image without a table is one partition, numbered 0. A table's
// counts are checked before The Sleuth Kit loops over them: a GPT header's
// entries (else its backup header is read), an MBR's chain of logical
// partitions; a table that fails is told as damaged.
PartitionTable partitionsOf(const DiskImage& image);

}  // namespace disk
