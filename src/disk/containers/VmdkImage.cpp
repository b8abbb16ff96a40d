#include "disk/containers/VmdkImage.h"

#include "disk/FileBytes.h"
#include "disk/LibraryCalls.h"
#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "disk/SizeInWords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <libvmdk.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace disk {

namespace {

QString vmdkError(libvmdk_error_t* error) { return libraryError("libvmdk", error, libvmdk_error_sprint, libvmdk_error_free); }

void closeHandle(libvmdk_handle_t*& handle)
{
    libvmdk_handle_close(handle, nullptr);
    libvmdk_handle_free(&handle, nullptr);
}

// The descriptor's text: a file of its own, or embedded in a sparse extent
// (empty when it has none); nothing when the sparse header places it where
// no descriptor can be (VMware writes 20 sectors near the start), as libvmdk
// would still read from there.
std::optional<QByteArray> descriptorOf(const QString& path)
{
    const QByteArray head = fileHead(path, 512);
    if (startsWith(head, 0, "# Disk DescriptorFile")) return fileHead(path, 64 * 1024);
    if (!startsWith(head, 0, "KDMV") || head.size() < 44) return QByteArray();
    const std::uint64_t at = le64(head.constData() + 28), sectors = le64(head.constData() + 36);
    if (at == 0 && sectors == 0) return QByteArray();
    if (at == 0 || sectors == 0 || sectors > 128 || at > (1ull << 40)) return std::nullopt;
    return fileHead(path, qint64(sectors * 512), qint64(at * 512));
}

// An extent's file name as the descriptor gives it that libvmdk cannot take
// safely (joining a name that ends in separators to the folder, it reads past
// the name): empty when every name is a plain path.
QString badExtentName(const QByteArray& descriptor)
{
    static const QRegularExpression extent(QStringLiteral("^\\s*(RW|RDONLY|NOACCESS)\\s+\\d+\\s+\\w+\\s+\"([^\"]*)\""));
    for (const QByteArray& line : descriptor.split('\n')) {
        const auto m = extent.match(QString::fromUtf8(line));
        if (!m.hasMatch()) continue;
        const QString name = m.captured(2);
        if (name.isEmpty() || name.size() > 1024 || name.endsWith(u'/') || name.endsWith(u'\\') || name.contains(QChar(0))
            || std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; }))
            return name.left(64);
    }
    return {};
}

libvmdk_handle_t* openHandle(const QString& named, const QString& path)
{
    const std::optional<QByteArray> described = descriptorOf(path);
    if (!described)
        imageFault(named, QStringLiteral("ist beschädigt (VMDK): %1sein Kopf legt die Beschreibung an eine unmögliche Stelle")
                              .arg(path == named ? QString() : QStringLiteral("\u201E%1\u201C ").arg(path)));
    const QByteArray& descriptor = *described;
    if (const QString bad = badExtentName(descriptor); !bad.isNull())
        imageFault(named, QStringLiteral("ist beschädigt (VMDK): %1nennt eine Teildatei \u201E%2\u201C, die kein Dateiname ist")
                              .arg(path == named ? QString() : QStringLiteral("\u201E%1\u201C ").arg(path), bad));
    if (descriptor.contains("createType=\"seSparse\"") || descriptor.contains(" SESPARSE "))
        imageFault(named, QStringLiteral("%1ist ein VMware-Snapshot im seSparse-Format (ESXi), das Tessera nicht "
                                         "liest; mit \u201Eqemu-img convert -O qcow2 %2 %3\u201C in ein lesbares Abbild "
                                         "umwandeln")
                              .arg(path == named ? QString() : QStringLiteral("(über \u201E%1\u201C) ").arg(path),
                                   QFileInfo(path).fileName(), QFileInfo(path).completeBaseName() + QStringLiteral(".qcow2")));
    libvmdk_error_t* error = nullptr;
    libvmdk_handle_t* handle = nullptr;
    if (libvmdk_handle_initialize(&handle, &error) != 1)
        imageFault(named, QStringLiteral("kann nicht geöffnet werden") + vmdkError(error));
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (libvmdk_handle_open(handle, name.constData(), LIBVMDK_OPEN_READ, &error) != 1) {
        libvmdk_handle_free(&handle, nullptr);
        imageFault(named, QStringLiteral("ist kein lesbares VMDK-Abbild%1%2").arg(path == named ? QString() : QStringLiteral(" (über \u201E%1\u201C)").arg(path), vmdkError(error)));
    }
    // The extents lie beside the descriptor, as it names them.
    if (libvmdk_handle_set_extent_data_files_path(handle, folder.constData(), std::size_t(folder.size()), &error) != 1
        || libvmdk_handle_open_extent_data_files(handle, &error) != 1) {
        closeHandle(handle);
        imageFault(named, QStringLiteral("hat Teildateien, die fehlen oder nicht lesbar sind%1%2").arg(path == named ? QString() : QStringLiteral(" (über \u201E%1\u201C)").arg(path), vmdkError(error)),
                   runtime::ErrorNumber::FileNotFound);
    }
    return handle;
}

std::int64_t mediaSize(libvmdk_handle_t* handle) { return libraryMediaSize(handle, libvmdk_handle_get_media_size); }

QString parentName(libvmdk_handle_t* handle) { return libraryText(handle, libvmdk_handle_get_utf8_parent_filename_size, libvmdk_handle_get_utf8_parent_filename); }

QStringList extentFiles(libvmdk_handle_t* handle, const QString& path)
{
    QStringList files;
    int count = 0;
    if (libvmdk_handle_get_number_of_extents(handle, &count, nullptr) != 1) return files;
    const QDir folder = QFileInfo(path).absoluteDir();
    for (int i = 0; i < count; ++i) {
        libvmdk_extent_descriptor_t* extent = nullptr;
        if (libvmdk_handle_get_extent_descriptor(handle, i, &extent, nullptr) != 1) continue;
        uint8_t name[4096] = {};
        if (libvmdk_extent_descriptor_get_utf8_filename(extent, name, sizeof name, nullptr) == 1) {
            const QString file = folder.filePath(QString::fromUtf8(reinterpret_cast<const char*>(name)));
            if (QFileInfo(file) != QFileInfo(path) && !files.contains(file)) files << file;
        }
        libvmdk_extent_descriptor_free(&extent, nullptr);
    }
    return files;
}

}  // namespace

VmdkImage::VmdkImage(const QString& path, ChainGuard& guard)
{
    try {
        chain_.push_back(openHandle(path, path));
        files_ << path << extentFiles(chain_.front(), path);
        size_ = mediaSize(chain_.front());
        if (size_ < 0) imageFault(path, QStringLiteral("nennt keine Größe"));
        QString child = path;
        for (QString name = parentName(chain_.back()); !name.isEmpty(); name = parentName(chain_.back())) {
            uint32_t expected = 0;
            libvmdk_handle_get_parent_content_identifier(chain_.back(), &expected, nullptr);
            libvmdk_handle_t* parent = nullptr;
            const QString parentPath =
                chooseParent(child, lastNameOf(name), parentCandidates(child, {name}), [&](const QString& candidate) -> QString {
                    if (imageFormatOf(candidate) != ImageFormat::Vmdk) return QStringLiteral("es ist kein VMDK-Abbild");
                    guard.enter(candidate);
                    libvmdk_handle_t* opened = openHandle(path, candidate);
                    uint32_t id = 0;
                    libvmdk_handle_get_content_identifier(opened, &id, nullptr);
                    QString why;
                    if (id != expected)
                        why = QStringLiteral("seine Inhaltskennung (CID) ist %1, erwartet %2")
                                  .arg(id, 8, 16, QChar(u'0'))
                                  .arg(expected, 8, 16, QChar(u'0'));
                    else if (mediaSize(opened) != mediaSize(chain_.back()))
                        why = QStringLiteral("es ist %1 groß, der Snapshot %2")
                                  .arg(sizeInWords(mediaSize(opened)), sizeInWords(mediaSize(chain_.back())));
                    if (why.isEmpty()) parent = opened;
                    else closeHandle(opened);
                    return why;
                });
            chain_.push_back(parent);
            files_ << parentPath << extentFiles(parent, parentPath);
            child = parentPath;
        }
        for (std::size_t i = chain_.size() - 1; i > 0; --i) {
            libvmdk_error_t* error = nullptr;
            if (libvmdk_handle_set_parent_handle(chain_[i - 1], chain_[i], &error) != 1)
                imageFault(path, QStringLiteral("kann nicht mit seinem Basisabbild verbunden werden%1").arg(vmdkError(error)));
        }
    } catch (...) {
        for (libvmdk_handle_t*& handle : chain_) closeHandle(handle);
        throw;
    }
}

VmdkImage::~VmdkImage()
{
    for (libvmdk_handle_t*& handle : chain_) closeHandle(handle);
}

ssize_t VmdkImage::read(std::int64_t offset, char* out, std::size_t length)
{
    libvmdk_error_t* error = nullptr;
    const ssize_t n = libvmdk_handle_read_buffer_at_offset(chain_.front(), out, length, offset, &error);
    if (error) libvmdk_error_free(&error);
    return n;
}

}  // namespace disk
