#include "disk/FileBytes.h"

#include <QFile>
#include <QRegularExpression>

#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disk {

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0) ::close(fd_);
}

QByteArray fileHead(const QString& path, qint64 length, qint64 at)
{
    if (length <= 0 || at < 0) return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    struct stat st {};
    QByteArray bytes;
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        // A look at a few bytes: nothing read ahead of them (a disk's or a hive's megabytes).
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        bytes.resize(qsizetype(length));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pread(fd, bytes.data() + done, std::size_t(bytes.size() - done), at + done);
            if (n <= 0) break;
            done += qsizetype(n);
        }
        bytes.truncate(done);
    }
    ::close(fd);
    return bytes;
}

std::optional<FileStamp> stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return FileStamp{st.st_size, st.st_mtim, st.st_ino};
}

std::optional<std::int64_t> fileSize(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::int64_t> size;
    if (::fstat(fd, &st) == 0) {
        std::uint64_t bytes = 0;
        if (S_ISREG(st.st_mode)) size = st.st_size;
        else if (S_ISBLK(st.st_mode) && ::ioctl(fd, BLKGETSIZE64, &bytes) == 0) size = std::int64_t(bytes);
    }
    ::close(fd);
    return size;
}

bool startsWith(const QByteArray& bytes, qsizetype at, const char* signature, qsizetype length)
{
    const qsizetype n = length < 0 ? qsizetype(std::strlen(signature)) : length;
    return at >= 0 && bytes.size() >= at + n && std::memcmp(bytes.constData() + at, signature, std::size_t(n)) == 0;
}

std::uint16_t le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint16_t(u[0] | u[1] << 8);
}

std::uint32_t le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | u[1] << 8 | u[2] << 16 | std::uint32_t(u[3]) << 24;
}

std::uint64_t le64(const char* p) { return le32(p) | std::uint64_t(le32(p + 4)) << 32; }

std::uint32_t be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(u[0]) << 24 | u[1] << 16 | u[2] << 8 | u[3];
}

std::uint64_t be64(const char* p) { return std::uint64_t(be32(p)) << 32 | be32(p + 4); }

QString uuidText(const char* bytes, bool mixedEndian)
{
    unsigned char b[16];
    std::memcpy(b, bytes, 16);
    if (mixedEndian) {
        std::swap(b[0], b[3]), std::swap(b[1], b[2]);
        std::swap(b[4], b[5]);
        std::swap(b[6], b[7]);
    }
    const QString hex = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b), 16).toHex());
    return hex.mid(0, 8) + u'-' + hex.mid(8, 4) + u'-' + hex.mid(12, 4) + u'-' + hex.mid(16, 4) + u'-' + hex.mid(20);
}

std::optional<QString> uuidFromText(QStringView text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\{?([0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12})\\}?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(text.trimmed().toString());
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toLower();
}

QString lastNameOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

}  // namespace disk
