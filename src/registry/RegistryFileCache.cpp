#include "registry/RegistryFileCache.h"

#include "registry/FileCache.h"

namespace registry {

std::shared_ptr<const RegistryText> cachedRegistryFile(const QString& path)
{
    static FileCache<RegistryText> cache;
    return cache.get(path, readRegistryFile);
}

}  // namespace registry
