#include "registry/RegistryFileCache.h"

#include "registry/FileCache.h"
#include "registry/RegistryFileParser.h"

namespace registry {

std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path)
{
    static FileCache<RegistryTree> cache;
    return cache.get(path, [](const QString& file) {
        return std::make_shared<const RegistryTree>(parseRegistryFile(file));
    });
}

}  // namespace registry
