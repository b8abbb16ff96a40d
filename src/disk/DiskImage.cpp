#include "disk/DiskImage.h"

#include "runtime/RuntimeError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <tsk/libtsk.h>
#include <libqcow.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

[[noreturn]] void fail(const QString& path, const QString& what, std::int32_t number = ErrorNumber::InvalidData)
{
    throw RuntimeError(number, QStringLiteral("Datenträgerabbild \u201E%1\u201C %2").arg(path, what));
}

QString errnoName(int error)
{
    const char* name = error ? strerrorname_np(error) : nullptr;
    return name ? QString::fromLatin1(name) : QStringLiteral("Fehler %1").arg(error);
}

// The first bytes of a file, read without following it onto a FIFO.
QByteArray head(const QString& path, qint64 length, qint64 at = 0)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    QByteArray bytes(qsizetype(length), '\0');
    const ssize_t n = ::pread(fd, bytes.data(), std::size_t(length), at);
    ::close(fd);
    bytes.truncate(n > 0 ? qsizetype(n) : 0);
    return bytes;
}

bool startsWith(const QByteArray& bytes, qsizetype at, const char* signature)
{
    const qsizetype n = qsizetype(std::strlen(signature));
    return bytes.size() >= at + n && std::memcmp(bytes.constData() + at, signature, std::size_t(n)) == 0;
}

// qcow2 through libqcow, as an image of The Sleuth Kit's own.
struct QcowImage {
    TSK_IMG_INFO info;  // first: The Sleuth Kit takes a pointer to it for the whole
    std::vector<libqcow_file_t*> chain;  // the image, then its backing files
};

void closeChain(std::vector<libqcow_file_t*>& chain)
{
    for (libqcow_file_t*& file : chain) {
        libqcow_file_close(file, nullptr);
        libqcow_file_free(&file, nullptr);
    }
    chain.clear();
}

QString qcowError(libqcow_error_t* error)
{
    char text[512] = {};
    if (error) {
        libqcow_error_sprint(error, text, sizeof text);
        libqcow_error_free(&error);
    }
    // The last line says what, the others where.
    return QString::fromUtf8(text).trimmed().section(u'\n', -1).trimmed();
}

ssize_t qcowRead(TSK_IMG_INFO* info, TSK_OFF_T offset, char* buffer, size_t length)
{
    auto* image = reinterpret_cast<QcowImage*>(info);
    libqcow_error_t* error = nullptr;
    const ssize_t n = libqcow_file_read_buffer_at_offset(image->chain.front(), buffer, length, offset, &error);
    if (error) libqcow_error_free(&error);
    if (n < 0) {
        tsk_error_reset();
        tsk_error_set_errno(TSK_ERR_IMG_READ);
        tsk_error_set_errstr("qcow2: Lesefehler bei Byte %lld", static_cast<long long>(offset));
    }
    return n;
}

void qcowClose(TSK_IMG_INFO* info)
{
    auto* image = reinterpret_cast<QcowImage*>(info);
    closeChain(image->chain);
    delete image;
}

void qcowStat(TSK_IMG_INFO*, FILE*) {}

// Opens `path` and, for a differential image, its backing files, into `chain`.
void openQcow(const QString& image, const QString& path, std::vector<libqcow_file_t*>& chain)
{
    libqcow_error_t* error = nullptr;
    libqcow_file_t* file = nullptr;
    if (libqcow_file_initialize(&file, &error) != 1)
        fail(image, QStringLiteral("kann nicht geöffnet werden: ") + qcowError(error));
    if (libqcow_file_open(file, QFile::encodeName(path).constData(), LIBQCOW_OPEN_READ, &error) != 1) {
        libqcow_file_free(&file, nullptr);
        fail(image, QStringLiteral("ist kein lesbares qcow2-Abbild (%1): %2").arg(path, qcowError(error)));
    }
    if (!chain.empty()) libqcow_file_set_parent_file(chain.back(), file, nullptr);
    chain.push_back(file);
    uint32_t encryption = 0;
    if (libqcow_file_get_encryption_method(file, &encryption, nullptr) == 1 && encryption != 0)
        fail(image, QStringLiteral("ist verschlüsselt; Tessera liest keine Schlüssel"));
    // A differential image reads what it does not hold from its backing file.
    size_t nameSize = 0;
    if (libqcow_file_get_utf8_backing_filename_size(file, &nameSize, nullptr) != 1 || nameSize <= 1) return;
    QByteArray name(qsizetype(nameSize), '\0');
    libqcow_file_get_utf8_backing_filename(file, reinterpret_cast<uint8_t*>(name.data()), nameSize, nullptr);
    name.truncate(qsizetype(std::strlen(name.constData())));
    const QString backing = QFileInfo(QFileInfo(path).dir(), QString::fromUtf8(name)).filePath();
    if (chain.size() >= 16) fail(image, QStringLiteral("hat mehr als 16 Basisabbilder hintereinander"));
    if (!QFileInfo(backing).isFile())
        fail(image, QStringLiteral("braucht sein Basisabbild \u201E%1\u201C, das nicht zu finden ist").arg(backing),
             ErrorNumber::FileNotFound);
    openQcow(image, backing, chain);
}

TSK_IMG_INFO* openQcowImage(const QString& path)
{
    auto image = std::make_unique<QcowImage>();
    std::memset(&image->info, 0, sizeof image->info);
    try {
        openQcow(path, path, image->chain);
    } catch (...) {
        closeChain(image->chain);
        throw;
    }
    size64_t size = 0;
    if (libqcow_file_get_media_size(image->chain.front(), &size, nullptr) != 1) {
        closeChain(image->chain);
        fail(path, QStringLiteral("nennt keine Größe"));
    }
    TSK_IMG_INFO* info = tsk_img_open_external(image.get(), TSK_OFF_T(size), 512, qcowRead, qcowClose, qcowStat);
    if (!info) {
        const QString why = tskError();
        closeChain(image->chain);
        fail(path, QStringLiteral("kann nicht geöffnet werden: ") + why);
    }
    image.release();  // The Sleuth Kit's close frees it
    return info;
}

}  // namespace

QString tskError()
{
    const char* text = tsk_error_get();
    if (!text) return QStringLiteral("unbekannter Fehler");
    const QString said = QString::fromUtf8(text).simplified();
    // What it says most often of a damaged image, in words of our own.
    if (said.contains(QStringLiteral("partial image")))
        return QStringLiteral("das Abbild ist abgeschnitten: die Daten liegen hinter seinem Ende (The Sleuth Kit: %1)")
            .arg(said);
    return QStringLiteral("The Sleuth Kit: %1").arg(said);
}

DiskImage::DiskImage(const QString& path) : path_(path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        fail(path, QStringLiteral("nicht gefunden"), ErrorNumber::FileNotFound);
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        fail(path, QStringLiteral("ist weder eine gewöhnliche Datei noch ein Blockgerät"), ErrorNumber::FileNotFound);
    if (::access(name.constData(), R_OK) != 0)
        fail(path,
             QStringLiteral("ist nicht lesbar: %1%2")
                 .arg(errnoName(errno),
                      S_ISBLK(st.st_mode) ? QStringLiteral(" (ein Gerät liest, wer zur Gruppe \u201Edisk\u201C gehört, "
                                                          "oder mit sudo)")
                                          : QString()),
             ErrorNumber::FileNotFound);
    if (startsWith(head(path, 4), 0, "QFI\xFB")) {
        image_ = openQcowImage(path);
        format_ = QStringLiteral("qcow2");
        return;
    }
    // The format from its signature, so that The Sleuth Kit tries no other: a
    // format that fails to open leaves its library's handles behind.
    const QByteArray start = head(path, 64);
    TSK_IMG_TYPE_ENUM type = TSK_IMG_TYPE_RAW;
    if (startsWith(start, 0, "EVF\x09\x0D\x0A\xFF"))
        type = TSK_IMG_TYPE_EWF_EWF;
    else if (startsWith(start, 0, "KDMV") || startsWith(start, 0, "# Disk DescriptorFile"))
        type = TSK_IMG_TYPE_VMDK_VMDK;
    else if (startsWith(start, 0, "vhdxfile") || startsWith(start, 0, "conectix")
             || (S_ISREG(st.st_mode) && st.st_size >= 512 && startsWith(head(path, 8, st.st_size - 512), 0, "conectix")))
        type = TSK_IMG_TYPE_VHD_VHD;
    tsk_error_reset();
    image_ = tsk_img_open_utf8_sing(name.constData(), type, 0);
    if (!image_) fail(path, QStringLiteral("kann nicht geöffnet werden: %1").arg(tskError()));
    switch (image_->itype) {
    case TSK_IMG_TYPE_EWF_EWF: format_ = QStringLiteral("E01"); break;
    case TSK_IMG_TYPE_VMDK_VMDK: format_ = QStringLiteral("VMDK"); break;
    case TSK_IMG_TYPE_VHD_VHD: format_ = QStringLiteral("VHD/VHDX"); break;
    default: format_ = S_ISBLK(st.st_mode) ? QStringLiteral("Blockgerät") : QStringLiteral("Rohabbild"); break;
    }
    if (image_->itype == TSK_IMG_TYPE_RAW && image_->num_img == 1)
        rawFile_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

DiskImage::~DiskImage()
{
    if (rawFile_ >= 0) ::close(rawFile_);
    if (image_) tsk_img_close(image_);
}

bool DiskImage::copyRange(std::int64_t offset, std::int64_t length, PrivateCopy& out) const
{
    if (offset < 0 || length < 0 || offset > image_->size || image_->size - offset < length) return false;
    if (rawFile_ >= 0) return out.appendFromFile(rawFile_, offset, length);
    constexpr std::int64_t Chunk = 4 << 20;
    std::unique_ptr<char[]> buffer(new char[std::size_t(std::min(Chunk, std::max<std::int64_t>(length, 1)))]);
    while (length > 0) {
        const std::size_t want = std::size_t(std::min(Chunk, length));
        // The format's own read, as tsk_img_read calls it, without copying through the cache.
        const ssize_t n = image_->read(image_, offset, buffer.get(), want);
        if (n <= 0 || !out.append(buffer.get(), std::size_t(n))) return false;
        offset += n;
        length -= n;
    }
    return true;
}

std::int64_t DiskImage::size() const { return image_->size; }

bool DiskImage::read(std::int64_t offset, void* out, std::size_t length) const
{
    if (offset < 0 || offset > image_->size || std::uint64_t(image_->size - offset) < length) return false;
    return tsk_img_read(image_, offset, static_cast<char*>(out), length) == ssize_t(length);
}

bool looksLikeDiskImage(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    if (S_ISBLK(st.st_mode)) return true;
    if (!S_ISREG(st.st_mode) || st.st_size < 512) return false;
    const QByteArray start = head(path, 4096);
    if (startsWith(start, 0, "QFI\xFB") || startsWith(start, 0, "EVF\x09\x0D\x0A\xFF") || startsWith(start, 0, "vhdxfile")
        || startsWith(start, 0, "conectix") || startsWith(start, 0, "KDMV") || startsWith(start, 0, "# Disk DescriptorFile"))
        return true;
    if (startsWith(head(path, 8, st.st_size - 512), 0, "conectix")) return true;  // a fixed VHD's footer
    // A partition table, a boot sector (NTFS, FAT, BitLocker) or an ext superblock.
    if (startsWith(start, 510, "\x55\xAA") || startsWith(start, 512, "EFI PART") || startsWith(start, 3, "NTFS    ")
        || startsWith(start, 3, "-FVE-FS-"))
        return true;
    return startsWith(start, 1080, "\x53\xEF");
}

}  // namespace disk
