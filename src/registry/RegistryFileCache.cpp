#include "registry/RegistryFileCache.h"

#include "registry/FileCache.h"

namespace registry {

std::shared_ptr<const RegistryText> cachedRegistryFile(const QString& path)
{
    static FileCache<RegistryText> cache;
    return cache.get(path, readRegistryFile);
}

std::shared_ptr<const Hive> cachedHive(const QString& path)
{
    static FileCache<Hive> cache;
    return cache.get(
        path, [](const QString& file) { return std::make_shared<const Hive>(file); },
        [](const Hive& hive) { return hive.logsUnchanged(); });
}

}  // namespace registry
