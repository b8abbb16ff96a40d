#pragma once

#include <QString>

#include <optional>

#include <sys/stat.h>

namespace shell {

// What tells a file that changed from the one read before: its size,
// modification time and inode.
struct FileStamp {
    off_t size = 0;
    timespec mtime{};
    ino_t inode = 0;

    bool operator==(const FileStamp& other) const
    {
        return size == other.size && inode == other.inode && mtime.tv_sec == other.mtime.tv_sec
               && mtime.tv_nsec == other.mtime.tv_nsec;
    }
};

// Nothing when the path cannot be examined.
std::optional<FileStamp> stampOf(const QString& path);

}  // namespace shell
