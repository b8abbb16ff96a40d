#pragma once

#include <QString>

namespace disk {

// The disk image formats read, as their signatures tell them.
enum class ImageFormat {
    None,         // none of them
    Raw,          // a partition table, a boot sector or a file system from the first byte
    BlockDevice,
    Ewf,          // EnCase E01 (libewf, through The Sleuth Kit)
    Qcow,         // qcow and qcow2 (libqcow)
    Vhd,          // VHD, fixed, dynamic or differencing (libvhdi)
    Vhdx,         // VHDX, also Hyper-V's checkpoints .avhdx (libvhdi)
    Vmdk,         // VMDK: a sparse extent with its descriptor, or a descriptor file (libvmdk)
    Vdi,          // VirtualBox's own (read here)
};

ImageFormat imageFormatOf(const QString& path);

}  // namespace disk
