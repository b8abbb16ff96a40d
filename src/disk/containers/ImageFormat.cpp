#include "disk/containers/ImageFormat.h"

#include "disk/FileBytes.h"

#include <QFile>

#include <sys/stat.h>

namespace disk {

ImageFormat imageFormatOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return ImageFormat::None;
    if (S_ISBLK(st.st_mode)) return ImageFormat::BlockDevice;
    if (!S_ISREG(st.st_mode) || st.st_size < 512) return ImageFormat::None;
    const QByteArray start = fileHead(path, 4096);
    if (startsWith(start, 0, "QFI\xFB")) return ImageFormat::Qcow;
    if (startsWith(start, 0, "EVF\x09\x0D\x0A\xFF\x00", 8)) return ImageFormat::Ewf;
    if (startsWith(start, 0, "vhdxfile")) return ImageFormat::Vhdx;
    if (startsWith(start, 0, "conectix")) return ImageFormat::Vhd;
    if (startsWith(start, 0, "KDMV") || startsWith(start, 0, "COWD") || startsWith(start, 0, "# Disk DescriptorFile"))
        return ImageFormat::Vmdk;
    if (startsWith(start, 64, "\x7F\x10\xDA\xBE", 4)) return ImageFormat::Vdi;
    if (startsWith(fileHead(path, 8, st.st_size - 512), 0, "conectix")) return ImageFormat::Vhd;  // a fixed VHD's footer
    // A partition table, a boot sector (NTFS, FAT, exFAT, BitLocker), an ext
    // superblock, an LVM label or LUKS: a disk or a partition as it lies.
    if (startsWith(start, 510, "\x55\xAA") || startsWith(start, 512, "EFI PART") || startsWith(start, 3, "NTFS    ")
        || startsWith(start, 3, "-FVE-FS-") || startsWith(start, 1080, "\x53\xEF") || startsWith(start, 512, "LABELONE")
        || startsWith(start, 0, "LUKS\xBA\xBE"))
        return ImageFormat::Raw;
    return ImageFormat::None;
}

}  // namespace disk
