#include "disk/containers/Containers.h"

#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "disk/containers/QcowImage.h"
#include "disk/containers/VdiImage.h"
#include "disk/containers/VhdImage.h"
#include "disk/containers/VmdkImage.h"

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
