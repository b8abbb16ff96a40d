#include "shell/RegistryFileCache.h"

#include "shell/FileCache.h"
#include "shell/RegistryFileParser.h"

namespace shell {

std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path)
{
    static FileCache<RegistryTree> cache;
    return cache.get(path, [](const QString& file) {
        return std::make_shared<const RegistryTree>(parseRegistryFile(file));
    });
}

}  // namespace shell
