#include "registry/TransactionLog.h"

#include "registry/RegistryTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace {

// As large as a hive may be.
constexpr qint64 MaxLogSize = 512LL * 1024 * 1024;

QString errnoText(int error)
{
    const char* name = error ? strerrorname_np(error) : nullptr;
    return name ? QString::fromLatin1(name) : QStringLiteral("Fehler %1").arg(error);
}

// The file read whole, opened without following it onto a FIFO or device.
TransactionLog readLog(const QString& path)
{
    TransactionLog log{path, {}, {}};
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        log.unreadable = QStringLiteral("nicht lesbar: %1").arg(errnoText(errno));
        return log;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        log.unreadable = QStringLiteral("keine gewöhnliche Datei");
    } else if (st.st_size > MaxLogSize) {
        log.unreadable = QStringLiteral("größer als 512 MiB");
    } else {
        log.bytes.resize(qsizetype(st.st_size));
        qsizetype at = 0;
        while (at < log.bytes.size()) {
            const ssize_t n = ::pread(fd, log.bytes.data() + at, std::size_t(log.bytes.size() - at), at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            at += n;
        }
        log.bytes.truncate(at);  // a file that shrank meanwhile is what was read of it
    }
    ::close(fd);
    return log;
}

}  // namespace

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

std::vector<TransactionLog> readLogs(const QStringList& paths)
{
    std::vector<TransactionLog> logs;
    for (const QString& path : paths) logs.push_back(readLog(path));
    return logs;
}

}  // namespace registry
