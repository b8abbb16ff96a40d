#include "disk/filesystems/Volume.h"

#include "disk/filesystems/LargeClusterNtfs.h"
#include "disk/SizeInWords.h"
#include "runtime/RuntimeError.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

struct FileCloser {
    void operator()(TSK_FS_FILE* f) const { tsk_fs_file_close(f); }
};
struct DirCloser {
    void operator()(TSK_FS_DIR* d) const { tsk_fs_dir_close(d); }
};

}  // namespace

Volume::Volume(const DiskImage& image, const Partition& partition) : image_(&image), start_(partition.start)
{
    std::int64_t length = partition.size;
    // The boot sector and, for ext2/3/4, the superblock after it.
    unsigned char head[2048] = {};
    if (!image.read(partition.start, head, sizeof head))
        image.read(partition.start, head, 512);  // a partition smaller than 2 KiB
    kind_ = fileSystemOf(head);
    bitLocker_ = kind_ == QLatin1String("BitLocker");
    if (bitLocker_) {
        const std::int64_t start = partition.start, size = partition.size;
        BitLockerOpening opening = openBitLocker(
            [&image, start, size](std::int64_t offset, void* out, std::size_t length) {
                return offset >= 0 && offset <= size && std::uint64_t(size - offset) >= length
                       && image.read(start + offset, out, length);
            },
            size);
        encryption_ = opening.encryption;
        if (!opening.volume) {
            lock_ = opening.lock;
            return;
        }
        unlocked_ = std::make_unique<DiskImage>(image.path(), std::move(opening.volume));
        image_ = unlocked_.get();
        start_ = 0;
        length = image_->size();
        std::memset(head, 0, sizeof head);
        image_->read(0, head, sizeof head);
        kind_ = fileSystemOf(head);
    }
    // Only NTFS is read. The Sleuth Kit is asked for nothing else: its search
    // through every file system ends, where none fits, in measuring the
    // partition's entropy (megabytes read for an empty partition).
    if (kind_ != QLatin1String("NTFS")) return;
    // Windows formats clusters of up to 2 MiB; The Sleuth Kit reads 64 KiB at most.
    clusterSize_ = ntfsClusterSize(head);
    if (clusterSize_ > 64 * 1024) {
        large_ = LargeClusterNtfs::open(*image_, start_, length, fault_);
        return;
    }
    tsk_error_reset();
    fs_ = tsk_fs_open_img(image_->tsk(), start_, TSK_FS_TYPE_NTFS);
    // An NTFS that does not open is damaged, not unknown: say why.
    if (!fs_) fault_ = tskError(QString());
    else tsk_error_reset();
}

Volume::~Volume()
{
    if (fs_) tsk_fs_close(fs_);
}

bool Volume::ntfs() const { return fs_ != nullptr || large_ != nullptr; }

QString Volume::label() const
{
    if (large_) return large_->label();
    if (!ntfs()) return {};
    // The label is the $VOLUME_NAME attribute of $Volume (metadata address 3), UTF-16LE.
    std::unique_ptr<TSK_FS_FILE, FileCloser> volume(tsk_fs_file_open_meta(fs_, nullptr, 3));
    if (!volume) return {};
    const TSK_FS_ATTR* name = tsk_fs_file_attr_get_type(volume.get(), TSK_FS_ATTR_TYPE_NTFS_VNAME, 0, 0);
    if (!name || name->size <= 0 || name->size > 256) return {};
    char text[256];
    const ssize_t n = tsk_fs_attr_read(name, 0, text, std::size_t(name->size), TSK_FS_FILE_READ_FLAG_NONE);
    if (n <= 0) return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), qsizetype(n / 2));
}

std::vector<Volume::Entry> Volume::list(const Entry& folder) const
{
    std::vector<Entry> entries;
    if (large_) {
        for (const LargeClusterNtfs::Entry& e : large_->list(folder.address))
            entries.push_back({e.address, e.name, e.folder, -1});
        return entries;
    }
    if (!fs_) return entries;
    tsk_error_reset();
    std::unique_ptr<TSK_FS_DIR, DirCloser> dir(tsk_fs_dir_open_meta(fs_, folder.address));
    if (!dir) {
        if (fault_.isEmpty()) fault_ = tskError(QStringLiteral("ein Ordner ist nicht lesbar"));
        return entries;
    }
    const std::size_t count = tsk_fs_dir_getsize(dir.get());
    for (std::size_t i = 0; i < count; ++i) {
        const TSK_FS_NAME* name = tsk_fs_dir_get_name(dir.get(), i);
        if (!name || !name->name || !(name->flags & TSK_FS_NAME_FLAG_ALLOC)) continue;
        const bool isFolder = TSK_FS_IS_DIR_NAME(name->type);
        if (!isFolder && name->type != TSK_FS_NAME_TYPE_REG) continue;
        entries.push_back({name->meta_addr, QString::fromUtf8(name->name), isFolder, -1});
    }
    return entries;
}

std::optional<Volume::Entry> Volume::find(const QStringList& names) const
{
    if (!ntfs()) return std::nullopt;
    Entry at{large_ ? large_->root() : fs_->root_inum, QString(), true, -1};
    for (const QString& wanted : names) {
        if (!at.folder) return std::nullopt;
        std::optional<Entry> next;
        for (const Entry& entry : list(at))
            if (entry.name.compare(wanted, Qt::CaseInsensitive) == 0) {
                next = entry;
                break;
            }
        if (!next) return std::nullopt;
        at = *next;
    }
    return at;
}

template <class Sink>
void Volume::readInto(const Entry& file, std::int64_t maxSize, const QString& name, Sink&& sink) const
{
    auto fault = [&](const QString& what) {
        throw RuntimeError(ErrorNumber::InvalidData, QStringLiteral("\u201E%1\u201C %2").arg(name, what));
    };
    constexpr std::size_t Chunk = 1 << 20;
    if (large_) {
        const std::int64_t size = large_->size(file.address);
        if (size < 0) fault(QStringLiteral("ist nicht lesbar") + runtime::libraryWords(QStringLiteral("libfsntfs")));
        if (size > maxSize) fault(QStringLiteral("ist größer als %1").arg(sizeInWords(maxSize)));
        std::unique_ptr<char[]> buffer(new char[Chunk]);
        for (std::int64_t at = 0; at < size;) {
            const std::size_t want = std::size_t(std::min<std::int64_t>(Chunk, size - at));
            const std::int64_t n = large_->read(file.address, at, buffer.get(), want);
            if (n <= 0) fault(QStringLiteral("ist nicht lesbar (bei Byte %1 von %2)").arg(at).arg(size) + runtime::libraryWords(QStringLiteral("libfsntfs")));
            if (!sink(buffer.get(), std::size_t(n))) fault(QStringLiteral("kann nicht in den Speicher gelesen werden"));
            at += n;
        }
        return;
    }
    tsk_error_reset();
    std::unique_ptr<TSK_FS_FILE, FileCloser> opened(tsk_fs_file_open_meta(fs_, nullptr, file.address));
    if (!opened || !opened->meta) fault(tskError(QStringLiteral("ist nicht lesbar")));
    const std::int64_t size = opened->meta->size;
    if (size < 0 || size > maxSize) fault(QStringLiteral("ist größer als %1").arg(sizeInWords(maxSize)));
    std::unique_ptr<char[]> buffer(new char[Chunk]);
    for (std::int64_t at = 0; at < size;) {
        const std::size_t want = std::size_t(std::min<std::int64_t>(Chunk, size - at));
        tsk_error_reset();
        const ssize_t n = tsk_fs_file_read(opened.get(), at, buffer.get(), want, TSK_FS_FILE_READ_FLAG_NONE);
        if (n <= 0)
            fault(tskError(QStringLiteral("ist nicht lesbar (bei Byte %1 von %2)").arg(at).arg(size)));
        if (!sink(buffer.get(), std::size_t(n))) fault(QStringLiteral("kann nicht in den Speicher gelesen werden"));
        at += n;
    }
}

std::unique_ptr<Volume::File> Volume::open(const Entry& file, std::int64_t maxSize, const QString& name) const
{
    auto fault = [&](const QString& what) {
        throw RuntimeError(ErrorNumber::InvalidData, QStringLiteral("\u201E%1\u201C %2").arg(name, what));
    };
    std::lock_guard lock(reading_);
    if (large_) {
        const std::int64_t size = large_->size(file.address);
        if (size < 0) fault(QStringLiteral("ist nicht lesbar") + runtime::libraryWords(QStringLiteral("libfsntfs")));
        if (size > maxSize) fault(QStringLiteral("ist größer als %1").arg(sizeInWords(maxSize)));
        return std::unique_ptr<File>(new File(*this, nullptr, file.address, size));
    }
    tsk_error_reset();
    TSK_FS_FILE* opened = fs_ ? tsk_fs_file_open_meta(fs_, nullptr, file.address) : nullptr;
    if (!opened || !opened->meta) {
        if (opened) tsk_fs_file_close(opened);
        fault(tskError(QStringLiteral("ist nicht lesbar")));
    }
    const std::int64_t size = opened->meta->size;
    if (size < 0 || size > maxSize) {
        tsk_fs_file_close(opened);
        fault(QStringLiteral("ist größer als %1").arg(sizeInWords(maxSize)));
    }
    return std::unique_ptr<File>(new File(*this, opened, file.address, size));
}

Volume::File::~File()
{
    if (tskFile_) tsk_fs_file_close(static_cast<TSK_FS_FILE*>(tskFile_));
}

std::int64_t Volume::File::read(std::int64_t offset, char* out, std::int64_t length, QString& why) const
{
    if (offset < 0 || length < 0) return -1;
    length = std::min(length, std::max<std::int64_t>(0, size_ - offset));
    if (length == 0) return 0;
    std::lock_guard lock(volume_.reading_);
    if (!tskFile_) {
        const std::int64_t n = volume_.large_->read(address_, offset, out, std::size_t(length));
        if (n < 0) why = QStringLiteral("ist nicht lesbar (bei Byte %1)").arg(offset) + runtime::libraryWords(QStringLiteral("libfsntfs"));
        return n;
    }
    tsk_error_reset();
    const ssize_t n = tsk_fs_file_read(static_cast<TSK_FS_FILE*>(tskFile_), offset, out, std::size_t(length),
                                       TSK_FS_FILE_READ_FLAG_NONE);
    if (n < 0)
        why = tskError(QStringLiteral("ist nicht lesbar (bei Byte %1)").arg(offset),
                       QStringLiteral("ist nicht lesbar: das Abbild ist abgeschnitten, die Daten liegen hinter seinem Ende"));
    return n < 0 ? -1 : std::int64_t(n);
}

QByteArray Volume::read(const Entry& file, std::int64_t maxSize, const QString& name) const
{
    std::lock_guard lock(reading_);
    QByteArray bytes;
    readInto(file, maxSize, name, [&](const char* data, std::size_t n) {
        bytes.append(data, qsizetype(n));
        return true;
    });
    return bytes;
}

}  // namespace disk
