#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

#include <sys/stat.h>

namespace disk {

// An open file descriptor, closed when this goes; a negative one is none.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
    int get() const { return fd_; }

private:
    int fd_;
};

// Bytes of a file, read without following it onto a FIFO or a terminal: up
// to `length` from `at`, fewer where the file ends, none when it cannot be read.
QByteArray fileHead(const QString& path, qint64 length, qint64 at = 0);

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

// The file's size in bytes (a block device's too), or nothing.
std::optional<std::int64_t> fileSize(const QString& path);

bool startsWith(const QByteArray& bytes, qsizetype at, const char* signature, qsizetype length = -1);

// Numbers in the byte orders the formats store them; the caller checks that
// the bytes are there.
std::uint16_t le16(const char* p);
std::uint32_t le32(const char* p);
std::uint64_t le64(const char* p);
std::uint32_t be32(const char* p);
std::uint64_t be64(const char* p);
inline std::uint16_t le16(const unsigned char* p) { return le16(reinterpret_cast<const char*>(p)); }
inline std::uint32_t le32(const unsigned char* p) { return le32(reinterpret_cast<const char*>(p)); }
inline std::uint64_t le64(const unsigned char* p) { return le64(reinterpret_cast<const char*>(p)); }

// "40d56d36-9ab8-4fe4-a31a-121fe2bf15eb": 16 bytes as stored (`mixedEndian`:
// the first three fields little-endian, as Microsoft's GUIDs are kept).
QString uuidText(const char* bytes, bool mixedEndian);
// The same from its text, braces and case ignored; nothing when it is none.
std::optional<QString> uuidFromText(QStringView text);

// A path's last name, whatever separators (/ or \) it was written with.
QString lastNameOf(const QString& path);

}  // namespace disk
