#include "shell/RegistryFileCache.h"

#include "shell/FileStamp.h"
#include "shell/RegistryFileParser.h"
#include "shell/RuntimeError.h"

#include <mutex>
#include <optional>
#include <unordered_map>

namespace shell {

std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path)
{
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const RegistryTree> tree;  // null: the file failed with `error`
        std::optional<RuntimeError> error;
    };
    static std::mutex mutex;
    static std::unordered_map<QString, Entry> cache;

    const std::optional<FileStamp> stamp = stampOf(path);
    std::lock_guard lock(mutex);
    if (stamp) {
        auto it = cache.find(path);
        if (it != cache.end() && it->second.stamp == *stamp) {
            if (it->second.error) throw *it->second.error;  // unchanged, so just as broken
            return it->second.tree;
        }
    }
    try {
        auto tree = std::make_shared<const RegistryTree>(parseRegistryFile(path));
        if (stamp) cache[path] = Entry{*stamp, tree, std::nullopt};
        return tree;
    } catch (const RuntimeError& error) {
        if (stamp) cache[path] = Entry{*stamp, nullptr, error};
        throw;
    }
}

}  // namespace shell
