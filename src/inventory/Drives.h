#pragma once

#include "disk/filesystems/Partitions.h"
#include "inventory/KeyReader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace inventory {

// A drive letter as the machine's MountedDevices names its volume.
struct Drive {
    QString letter;  // "C:"
    // 12 bytes: the MBR disk's signature ("5cbea03e", as blkid shows PTUUID)
    // and the partition's start in bytes.
    std::optional<std::uint32_t> mbrSignature;
    std::optional<std::uint64_t> offset;
    QString partitionGuid;  // "DMIO:ID:" and a GPT partition's GUID, as blkid shows PARTUUID
    QString device;         // else: the device path Windows stored ("\??\IDE#CdRom…")
    int partition = 0;      // the partition of the disk read that the entry names; 0: none of it
};

// The drive letters SYSTEM\MountedDevices names ("\DosDevices\C:"), by
// letter; where `table` is given (the disk the installation was read from),
// an entry that names one of its partitions says which.
std::vector<Drive> readDrives(const KeyReader& reader, const disk::PartitionTable* table);

}  // namespace inventory
