#pragma once

#include <QString>

namespace disk {

// The file system a partition's first 2 KiB announce: "NTFS", "FAT32", "FAT16",
// "FAT12", "exFAT", "ext2", "ext3", "ext4", "XFS", "ReFS", "HFS+", "APFS",
// "BitLocker" (To Go too), "LVM", "LUKS" or "unbekannt".
QString fileSystemOf(const unsigned char* head);

// Whether those 2 KiB begin a file system Windows can live on (NTFS, exFAT, FAT).
bool holdsWindowsFileSystem(const unsigned char* head);

}  // namespace disk
