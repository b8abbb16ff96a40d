#include "disk/FileSystemKind.h"

#include "disk/FileBytes.h"

#include <cstring>

namespace disk {

QString fileSystemOf(const unsigned char* head)
{
    // BitLocker: its own signature, or on a FAT (To Go) its identifier at 424.
    static const unsigned char toGo[16] = {0x3B, 0xD6, 0x67, 0x49, 0x29, 0x2E, 0xD8, 0x4A,
                                           0x83, 0x99, 0xF6, 0xA3, 0x39, 0xE3, 0xD0, 0x01};
    if (std::memcmp(head + 3, "-FVE-FS-", 8) == 0 || std::memcmp(head + 424, toGo, 16) == 0)
        return QStringLiteral("BitLocker");
    if (std::memcmp(head + 3, "NTFS    ", 8) == 0) return QStringLiteral("NTFS");
    if (std::memcmp(head + 3, "EXFAT   ", 8) == 0) return QStringLiteral("exFAT");
    if (std::memcmp(head + 3, "ReFS\0\0\0\0", 8) == 0) return QStringLiteral("ReFS");
    if (std::memcmp(head, "LUKS\xBA\xBE", 6) == 0) return QStringLiteral("LUKS");
    if (std::memcmp(head, "XFSB", 4) == 0) return QStringLiteral("XFS");
    if (std::memcmp(head + 32, "NXSB", 4) == 0) return QStringLiteral("APFS");
    if (std::memcmp(head + 1024, "H+\0\x04", 4) == 0 || std::memcmp(head + 1024, "HX\0\x05", 4) == 0)
        return QStringLiteral("HFS+");
    // An LVM physical volume's label, in one of its first four sectors.
    for (int sector = 0; sector < 4; ++sector)
        if (std::memcmp(head + 512 * sector, "LABELONE", 8) == 0 && std::memcmp(head + 512 * sector + 24, "LVM2", 4) == 0)
            return QStringLiteral("LVM");
    const bool bootSector = head[510] == 0x55 && head[511] == 0xAA;
    if (bootSector && std::memcmp(head + 82, "FAT32   ", 8) == 0) return QStringLiteral("FAT32");
    if (bootSector && std::memcmp(head + 54, "FAT16   ", 8) == 0) return QStringLiteral("FAT16");
    if (bootSector && std::memcmp(head + 54, "FAT12   ", 8) == 0) return QStringLiteral("FAT12");
    // ext2/3/4: the superblock at 1024, its magic 0xEF53 at 56; extents, 64-bit
    // or flexible block groups make it ext4, a journal ext3.
    const unsigned char* super = head + 1024;
    if (super[56] == 0x53 && super[57] == 0xEF) {
        if (le32(super + 96) & (0x40 | 0x80 | 0x200)) return QStringLiteral("ext4");
        return le32(super + 92) & 0x4 ? QStringLiteral("ext3") : QStringLiteral("ext2");
    }
    return QStringLiteral("unbekannt");
}

bool holdsWindowsFileSystem(const unsigned char* head)
{
    const QString kind = fileSystemOf(head);
    return kind == u"NTFS" || kind == u"exFAT" || kind == u"FAT32" || kind == u"FAT16" || kind == u"FAT12";
}

}  // namespace disk
