#pragma once

#include "disk/FileBytes.h"
#include "disk/containers/ParentChain.h"
#include "disk/Question.h"
#include "runtime/RuntimeError.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>


namespace registry {

using disk::FileStamp;
using disk::stampOf;

// What was made of a file (a parsed tree, an open hive), shared, and made again
// only when the file changed, or when `current` says what was made is out of
// date for another reason. A file that failed fails again with the same
// error, without being read, until it changes; only a question to the user
// (a secret, a parent image) is asked again, and a parent found wrong is
// sought again (the user may name another).
template <class T>
class FileCache {
public:
    using Make = std::function<std::shared_ptr<const T>(const QString& path)>;
    using Current = std::function<bool(const T& made)>;

    // `stampPath` is the file whose changes count, when it is not `path` itself.
    std::shared_ptr<const T> get(const QString& path, const Make& make, const Current& current = {},
                                 const QString& stampPath = {})
    {
        const std::optional<FileStamp> stamp = stampOf(stampPath.isNull() ? path : stampPath);
        std::lock_guard lock(mutex_);
        if (stamp) {
            auto it = entries_.find(path);
            if (it != entries_.end() && it->second.stamp == *stamp) {
                if (it->second.error) throw *it->second.error;  // unchanged, so just as broken
                if (!current || current(*it->second.made)) return it->second.made;
            }
        }
        try {
            auto made = make(path);
            if (stamp) entries_[path] = Entry{*stamp, made, std::nullopt};
            return made;
        } catch (const disk::Question&) {
            throw;  // once answered, the same file opens
        } catch (const disk::WrongParent&) {
            throw;
        } catch (const runtime::RuntimeError& error) {
            if (stamp) entries_[path] = Entry{*stamp, nullptr, error};
            throw;
        }
    }

private:
    struct Entry {
        FileStamp stamp;
        std::shared_ptr<const T> made;  // null: the file failed with `error`
        std::optional<runtime::RuntimeError> error;
    };
    std::mutex mutex_;
    std::unordered_map<QString, Entry> entries_;
};

}  // namespace registry
