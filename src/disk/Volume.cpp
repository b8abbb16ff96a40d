#include "disk/Volume.h"

#include "runtime/RuntimeError.h"

#include <tsk/libtsk.h>

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

Volume::Volume(const DiskImage& image, const Partition& partition)
{
    char boot[512] = {};
    if (image.read(partition.start, boot, sizeof boot) && std::memcmp(boot + 3, "-FVE-FS-", 8) == 0) {
        bitLocker_ = true;
        return;
    }
    tsk_error_reset();
    fs_ = tsk_fs_open_img(image.tsk(), partition.start, TSK_FS_TYPE_DETECT);
    // An NTFS that does not open is damaged, not unknown: say why.
    if (!fs_ && std::memcmp(boot + 3, "NTFS    ", 8) == 0) fault_ = tskError();
    if (fs_) tsk_error_reset();
}

Volume::~Volume()
{
    if (fs_) tsk_fs_close(fs_);
}

bool Volume::ntfs() const { return fs_ && TSK_FS_TYPE_ISNTFS(fs_->ftype); }

QString Volume::kind() const
{
    if (bitLocker_) return QStringLiteral("BitLocker");
    if (!fs_ && !fault_.isEmpty()) return QStringLiteral("NTFS");
    if (!fs_) return QStringLiteral("unbekannt");
    switch (fs_->ftype) {
    case TSK_FS_TYPE_NTFS: return QStringLiteral("NTFS");
    case TSK_FS_TYPE_FAT12: return QStringLiteral("FAT12");
    case TSK_FS_TYPE_FAT16: return QStringLiteral("FAT16");
    case TSK_FS_TYPE_FAT32: return QStringLiteral("FAT32");
    case TSK_FS_TYPE_EXFAT: return QStringLiteral("exFAT");
    case TSK_FS_TYPE_EXT2: return QStringLiteral("ext2");
    case TSK_FS_TYPE_EXT3: return QStringLiteral("ext3");
    case TSK_FS_TYPE_EXT4: return QStringLiteral("ext4");
    default: return QString::fromUtf8(tsk_fs_type_toname(fs_->ftype));
    }
}

QString Volume::label() const
{
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
    if (!fs_) return entries;
    tsk_error_reset();
    std::unique_ptr<TSK_FS_DIR, DirCloser> dir(tsk_fs_dir_open_meta(fs_, folder.address));
    if (!dir) {
        if (fault_.isEmpty()) fault_ = QStringLiteral("ein Ordner ist nicht lesbar: %1").arg(tskError());
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
    if (!fs_) return std::nullopt;
    Entry at{fs_->root_inum, QString(), true, -1};
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
    tsk_error_reset();
    std::unique_ptr<TSK_FS_FILE, FileCloser> opened(tsk_fs_file_open_meta(fs_, nullptr, file.address));
    if (!opened || !opened->meta) fault(QStringLiteral("ist nicht lesbar; %1").arg(tskError()));
    const std::int64_t size = opened->meta->size;
    if (size < 0 || size > maxSize) fault(QStringLiteral("ist größer als %1").arg(sizeInWords(maxSize)));
    constexpr std::size_t Chunk = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[Chunk]);
    for (std::int64_t at = 0; at < size;) {
        const std::size_t want = std::size_t(std::min<std::int64_t>(Chunk, size - at));
        tsk_error_reset();
        const ssize_t n = tsk_fs_file_read(opened.get(), at, buffer.get(), want, TSK_FS_FILE_READ_FLAG_NONE);
        if (n <= 0)
            fault(QStringLiteral("ist nicht lesbar (bei Byte %1 von %2); %3").arg(at).arg(size).arg(tskError()));
        if (!sink(buffer.get(), std::size_t(n))) fault(QStringLiteral("kann nicht in den Speicher gelesen werden"));
        at += n;
    }
}

PrivateCopy Volume::copy(const Entry& file, std::int64_t maxSize, const QString& name) const
{
    PrivateCopy copy;
    if (!copy.valid())
        throw RuntimeError(ErrorNumber::InvalidData,
                           QStringLiteral("\u201E%1\u201C kann nicht in den Speicher gelesen werden").arg(name));
    readInto(file, maxSize, name, [&](const char* data, std::size_t n) { return copy.append(data, n); });
    return copy;
}

QByteArray Volume::read(const Entry& file, std::int64_t maxSize, const QString& name) const
{
    QByteArray bytes;
    readInto(file, maxSize, name, [&](const char* data, std::size_t n) {
        bytes.append(data, qsizetype(n));
        return true;
    });
    return bytes;
}

}  // namespace disk
