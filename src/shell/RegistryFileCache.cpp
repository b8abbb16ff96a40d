#include "shell/RegistryFileCache.h"

#include "shell/RegistryFileParser.h"
#include "shell/RuntimeError.h"

#include <QFile>

#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <unordered_map>

namespace shell {

std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path)
{
    struct Entry {
        off_t size;
        timespec mtime;
        ino_t inode;
        std::shared_ptr<const RegistryTree> tree;  // null: the file failed with `error`
        std::optional<RuntimeError> error;
    };
    static std::mutex mutex;
    static std::unordered_map<QString, Entry> cache;

    struct stat st {};
    const bool known = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    std::lock_guard lock(mutex);
    if (known) {
        auto it = cache.find(path);
        if (it != cache.end() && it->second.size == st.st_size && it->second.inode == st.st_ino
            && it->second.mtime.tv_sec == st.st_mtim.tv_sec && it->second.mtime.tv_nsec == st.st_mtim.tv_nsec) {
            if (it->second.error) throw *it->second.error;  // unchanged, so just as broken
            return it->second.tree;
        }
    }
    try {
        auto tree = std::make_shared<const RegistryTree>(parseRegistryFile(path));
        if (known) cache[path] = Entry{st.st_size, st.st_mtim, st.st_ino, tree, std::nullopt};
        return tree;
    } catch (const RuntimeError& error) {
        if (known) cache[path] = Entry{st.st_size, st.st_mtim, st.st_ino, nullptr, error};
        throw;
    }
}

}  // namespace shell
