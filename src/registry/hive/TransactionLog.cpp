#include "registry/hive/TransactionLog.h"

#include "disk/FileBytes.h"
#include "registry/text/RegistryTree.h"
#include "runtime/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace {

// As large as a hive may be.
constexpr std::int64_t MaxLogSize = 512LL * 1024 * 1024;

}  // namespace

TransactionLog::TransactionLog(QString path, std::int64_t size, Reader reader)
    : path_(std::move(path)), size_(size), reader_(std::move(reader))
{
}

TransactionLog TransactionLog::ofFile(const QString& path)
{
    TransactionLog log;
    log.path_ = path;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        log.unreadable_ = QStringLiteral("nicht lesbar") + runtime::libraryWords(runtime::errnoName(errno));
        return log;
    }
    auto descriptor = std::make_shared<const disk::FileDescriptor>(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        log.unreadable_ = QStringLiteral("keine gewöhnliche Datei");
    } else if (st.st_size > MaxLogSize) {
        log.unreadable_ = QStringLiteral("größer als 512 MiB");
    } else {
        log.size_ = st.st_size;
        log.reader_ = [descriptor](std::int64_t offset, char* out, std::int64_t length) -> std::int64_t {
            std::int64_t done = 0;
            while (done < length) {
                const ssize_t n = ::pread(descriptor->get(), out + done, std::size_t(length - done), offset + done);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                done += n;
            }
            return done;
        };
    }
    return log;
}

TransactionLog TransactionLog::ofBytes(const QString& path, QByteArray bytes)
{
    const std::int64_t size = bytes.size();
    return TransactionLog(path, size, [bytes = std::move(bytes)](std::int64_t offset, char* out, std::int64_t length) {
        const std::int64_t n = std::clamp<std::int64_t>(bytes.size() - offset, 0, length);
        if (n > 0) std::memcpy(out, bytes.constData() + offset, std::size_t(n));
        return n;
    });
}

QByteArray TransactionLog::read(std::int64_t offset, std::int64_t length) const
{
    if (!reader_ || offset < 0 || length <= 0 || offset >= size_) return {};
    QByteArray out(qsizetype(std::min(length, size_ - offset)), Qt::Uninitialized);
    out.truncate(qsizetype(reader_(offset, out.data(), out.size())));
    return out;
}

std::int64_t TransactionLog::read(std::int64_t offset, char* out, std::int64_t length) const
{
    if (!reader_ || offset < 0 || length <= 0 || offset >= size_) return 0;
    return reader_(offset, out, std::min(length, size_ - offset));
}

QStringList logPathsBeside(const QString& hivePath)
{
    const QFileInfo hive(hivePath);
    const QDir dir = hive.dir();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList found;
    for (const QString& suffix : {QStringLiteral(".LOG1"), QStringLiteral(".LOG2"), QStringLiteral(".LOG")}) {
        const QString wanted = hive.fileName() + suffix;
        for (const QString& entry : entries) {
            if (!sameName(entry, wanted)) continue;
            const QString path = dir.filePath(entry);
            if (QFileInfo(path).size() > 0) found << path;
            break;
        }
    }
    return found;
}

QString fileNameOf(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
}

std::vector<TransactionLog> readLogs(const QStringList& paths)
{
    std::vector<TransactionLog> logs;
    for (const QString& path : paths) logs.push_back(TransactionLog::ofFile(path));
    return logs;
}

}  // namespace registry
