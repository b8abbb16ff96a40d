#include "disk/containers/DiskImage.h"

#include "disk/FileBytes.h"
#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "disk/containers/SplitRaw.h"
#include "runtime/RuntimeError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <tsk/libtsk.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;

namespace {

// A container, as an image of The Sleuth Kit's own.
struct ExternalImage {
    TSK_IMG_INFO info;  // first: The Sleuth Kit takes a pointer to it for the whole
    Container* container;
};

ssize_t externalRead(TSK_IMG_INFO* info, TSK_OFF_T offset, char* buffer, size_t length)
{
    auto* image = reinterpret_cast<ExternalImage*>(info);
    const ssize_t n = image->container->read(offset, buffer, length);
    if (n < 0) {
        tsk_error_reset();
        tsk_error_set_errno(TSK_ERR_IMG_READ);
        tsk_error_set_errstr("%s: Lesefehler bei Byte %lld", image->container->format().toUtf8().constData(),
                             static_cast<long long>(offset));
    }
    return n;
}

void externalClose(TSK_IMG_INFO* info)
{
    auto* image = reinterpret_cast<ExternalImage*>(info);
    delete image->container;
    delete image;
}

void externalStat(TSK_IMG_INFO*, FILE*) {}

TSK_IMG_INFO* openExternal(const QString& path, std::unique_ptr<Container> container)
{
    auto image = std::make_unique<ExternalImage>();
    std::memset(&image->info, 0, sizeof image->info);
    image->container = container.get();
    TSK_IMG_INFO* info = tsk_img_open_external(image.get(), TSK_OFF_T(container->size()), container->sectorSize(),
                                               externalRead, externalClose, externalStat);
    if (!info) imageFault(path, tskError(QStringLiteral("kann nicht geöffnet werden")));
    container.release();  // The Sleuth Kit's close frees both
    image.release();
    return info;
}

}  // namespace

QString tskError(const QString& otherwise, const QString& cutOff)
{
    const char* text = tsk_error_get();
    const QString said = text ? QString::fromUtf8(text).simplified() : QString();
    // What it says most often of a damaged image, in words of our own.
    const QString inWords = said.contains(QStringLiteral("partial image")) ? cutOff : otherwise;
    return said.isEmpty() ? inWords : inWords + runtime::libraryWords(QStringLiteral("The Sleuth Kit: ") + said);
}

DiskImage::DiskImage(const QString& path, const ChainHints& hints) : path_(path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        imageFault(path, QStringLiteral("nicht gefunden"), ErrorNumber::FileNotFound);
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        imageFault(path, QStringLiteral("ist weder eine gewöhnliche Datei noch ein Blockgerät"), ErrorNumber::FileNotFound);
    if (::access(name.constData(), R_OK) != 0)
        imageFault(path,
             QStringLiteral("ist für Sie nicht lesbar%1")
                 .arg(S_ISBLK(st.st_mode) ? QStringLiteral(": ein Gerät liest, wer zur Gruppe \u201Edisk\u201C gehört, "
                                                          "oder mit sudo")
                                          : QString())
                 + runtime::libraryWords(runtime::errnoName(errno)),
             ErrorNumber::FileNotFound);
    ChainGuard guard(path);
    guard.enter(path);
    if (auto container = openContainer(path, hints, guard)) {
        container_ = container.get();
        format_ = container->format();
        image_ = openExternal(path, std::move(container));
        return;
    }
    // The format from its signature, so that The Sleuth Kit tries no other: a
    // format that fails to open leaves its library's handles behind. A split
    // raw image is opened from its first segment, whichever was named.
    const ImageFormat kind = imageFormatOf(path);
    QByteArray first = name;
    if (kind == ImageFormat::None)
        if (const auto segment = firstSegmentOf(path)) first = QFile::encodeName(*segment);
    tsk_error_reset();
    image_ = tsk_img_open_utf8_sing(first.constData(), kind == ImageFormat::Ewf ? TSK_IMG_TYPE_EWF_EWF : TSK_IMG_TYPE_RAW, 0);
    if (!image_) imageFault(path, tskError(QStringLiteral("kann nicht geöffnet werden")));
    if (image_->itype == TSK_IMG_TYPE_EWF_EWF) format_ = QStringLiteral("E01");
    else format_ = S_ISBLK(st.st_mode) ? QStringLiteral("Blockgerät") : QStringLiteral("Rohabbild");
}

DiskImage::DiskImage(const QString& name, std::unique_ptr<Container> container) : path_(name)
{
    container_ = container.get();
    format_ = container->format();
    image_ = openExternal(name, std::move(container));
}

DiskImage::~DiskImage()
{
    if (image_) tsk_img_close(image_);
}

std::int64_t DiskImage::size() const { return image_->size; }

bool DiskImage::read(std::int64_t offset, void* out, std::size_t length) const
{
    if (offset < 0 || offset > image_->size || std::uint64_t(image_->size - offset) < length) return false;
    return tsk_img_read(image_, offset, static_cast<char*>(out), length) == ssize_t(length);
}

QStringList DiskImage::files() const
{
    if (container_) return container_->files();
    QStringList files;
    for (int i = 0; i < image_->num_img; ++i) files << QFile::decodeName(image_->images[i]);
    return files;
}

bool looksLikeDiskImage(const QString& path)
{
    if (imageFormatOf(path) != ImageFormat::None) return true;
    const auto first = firstSegmentOf(path);
    return first && *first != path && imageFormatOf(*first) != ImageFormat::None;
}

}  // namespace disk

// The Sleuth Kit sizes some buffers from fields of the volume it reads, with no
// bound: a folder's index (the allocated size of $INDEX_ALLOCATION), an
// attribute list, $AttrDef. One changed byte asks it for hundreds of gigabytes;
// a few gigabytes it would get, and fill. Every allocation of the library goes
// through these two functions, and the program defines them in its place (the
// library calls them through its own symbol table, which the dynamic linker
// binds to the program first). Beyond the largest structure a real volume
// holds (a folder of a million files has an index of some hundred megabytes)
// they fail as the library's own do: null, with the library's error set, which
// every caller in it checks and reports.
namespace {

constexpr std::size_t kTskAllocationLimit = std::size_t(256) << 20;

void tskAllocationFailed(std::size_t length)
{
    const int number = errno;
    tsk_error_reset();
    tsk_error_set_errno(TSK_ERR_AUX_MALLOC);
    if (length > kTskAllocationLimit)
        tsk_error_set_errstr("%zu bytes refused, more than a file system structure holds", length);
    else
        tsk_error_set_errstr("%s (%zu bytes)", std::strerror(number), length);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* tsk_malloc(std::size_t length)
{
    void* memory = length <= kTskAllocationLimit ? std::calloc(length, 1) : nullptr;
    if (!memory) tskAllocationFailed(length);
    return memory;
}

extern "C" __attribute__((visibility("default"))) void* tsk_realloc(void* memory, std::size_t length)
{
    // As realloc: on failure the old block stays the caller's.
    void* grown = length <= kTskAllocationLimit ? std::realloc(memory, length) : nullptr;
    if (!grown) tskAllocationFailed(length);
    return grown;
}
