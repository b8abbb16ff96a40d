#include "disk/Containers.h"

#include "disk/ImageFormat.h"
#include "disk/ParentChain.h"
#include "disk/QcowImage.h"
#include "disk/VdiImage.h"
#include "disk/VhdImage.h"
#include "disk/VmdkImage.h"

namespace disk {

std::unique_ptr<Container> openContainer(const QString& path, const ChainHints& hints, ChainGuard& guard)
{
    switch (imageFormatOf(path)) {
    case ImageFormat::Qcow: return std::make_unique<QcowImage>(path, guard);
    case ImageFormat::Vhd:
    case ImageFormat::Vhdx: return std::make_unique<VhdImage>(path, guard);
    case ImageFormat::Vmdk: return std::make_unique<VmdkImage>(path, guard);
    case ImageFormat::Vdi:
        return std::make_unique<VdiImage>(
            path, hints, [&](const QString& parent) { return openContainer(parent, hints, guard); }, guard);
    default: return nullptr;
    }
}

}  // namespace disk
