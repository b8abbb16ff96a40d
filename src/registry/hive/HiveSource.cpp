#include "registry/hive/HiveSource.h"

#include "disk/FileBytes.h"
#include "runtime/RuntimeError.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec
           && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

HiveSource::HiveSource(std::int64_t size, Reader reader, Unchanged unchanged)
    : size_(size), reader_(std::move(reader)), unchanged_(std::move(unchanged))
{
}

std::shared_ptr<HiveSource> HiveSource::ofFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C nicht gefunden").arg(path));
    if (!S_ISREG(st.st_mode))
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist keine gew\u00F6hnliche Datei").arg(path));
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist nicht lesbar").arg(path)
                               + runtime::libraryWords(runtime::errnoName(errno)));
    auto file = std::make_shared<disk::FileDescriptor>(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsstruktur \u201E%1\u201C ist keine gew\u00F6hnliche Datei").arg(path));
    // Lookups jump about the file: no read ahead of them.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    const struct stat opened = st;
    return std::make_shared<HiveSource>(
        std::int64_t(st.st_size),
        [file](std::int64_t offset, char* out, std::int64_t length, QString& why) -> std::int64_t {
            std::int64_t done = 0;
            while (done < length) {
                const ssize_t n = ::pread(file->get(), out + done, std::size_t(length - done), off_t(offset + done));
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    why = QStringLiteral("ist nicht lesbar (bei Byte %1)").arg(offset + done)
                          + runtime::libraryWords(runtime::errnoName(errno));
                    return -1;
                }
                if (n == 0) break;
                done += n;
            }
            return done;
        },
        // The file read is the one opened: written meanwhile, it is read no further. (Replaced by
        // another file, the descriptor still reads the one opened, as it was.)
        [file, opened] {
            struct stat now {};
            return ::fstat(file->get(), &now) == 0 && sameFile(now, opened);
        });
}

std::shared_ptr<HiveSource> HiveSource::ofCopy(disk::PrivateCopy copy)
{
    auto bytes = std::make_shared<disk::PrivateCopy>(std::move(copy));
    const std::int64_t size = bytes->size();
    return std::make_shared<HiveSource>(size, [bytes](std::int64_t offset, char* out, std::int64_t length, QString&) {
        const std::int64_t n = std::max<std::int64_t>(0, std::min(length, bytes->size() - offset));
        return n == 0 || bytes->read(offset, out, std::size_t(n)) ? n : -1;
    });
}

const std::vector<char>* HiveSource::page(std::int64_t index) const
{
    if (auto it = index_.find(index); it != index_.end()) {
        pages_.splice(pages_.begin(), pages_, it->second);
        return &it->second->second;
    }
    if (changed_ || (unchanged_ && !unchanged_())) {
        changed_ = true;
        why_ = QStringLiteral("wurde beim Lesen geändert; sie wird beim nächsten Besuch einer Seite neu gelesen");
        return nullptr;
    }
    const std::int64_t at = index * PageSize;
    std::vector<char> bytes(std::size_t(std::min(PageSize, size_ - at)));
    QString why;
    const std::int64_t n = reader_(at, bytes.data(), std::int64_t(bytes.size()), why);
    bytesRead_ += std::int64_t(bytes.size());
    if (n != std::int64_t(bytes.size())) {
        why_ = n >= 0            ? QStringLiteral("wurde beim Lesen kürzer (bei Byte %1)").arg(at + n)
               : why.isEmpty() ? QStringLiteral("ist nicht lesbar (bei Byte %1)").arg(at)
                               : why;
        return nullptr;
    }
    if (pages_.size() >= CachedPages) {
        index_.erase(pages_.back().first);
        pages_.pop_back();
    }
    pages_.emplace_front(index, std::move(bytes));
    index_[index] = pages_.begin();
    return &pages_.front().second;
}

bool HiveSource::read(std::int64_t offset, void* out, std::size_t length) const
{
    if (offset < 0 || offset > size_ || std::uint64_t(size_ - offset) < length) {
        std::lock_guard lock(mutex_);
        why_ = QStringLiteral("ist abgeschnitten: Byte %1 liegt hinter ihrem Ende").arg(offset + std::int64_t(length));
        return false;
    }
    std::lock_guard lock(mutex_);
    auto* to = static_cast<char*>(out);
    while (length > 0) {
        const std::vector<char>* bytes = page(offset / PageSize);
        if (!bytes) return false;
        const std::size_t from = std::size_t(offset % PageSize);
        const std::size_t n = std::min(length, bytes->size() - from);
        std::memcpy(to, bytes->data() + from, n);
        to += n;
        offset += std::int64_t(n);
        length -= n;
    }
    return true;
}

QString HiveSource::why() const
{
    std::lock_guard lock(mutex_);
    return why_;
}

std::int64_t HiveSource::bytesRead() const
{
    std::lock_guard lock(mutex_);
    return bytesRead_;
}

}  // namespace registry
