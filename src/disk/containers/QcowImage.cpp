#include "disk/containers/QcowImage.h"

#include "disk/FileBytes.h"
#include "disk/LibraryCalls.h"
#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "disk/SizeInWords.h"

#include <QFile>
#include <QFileInfo>

#include <libqcow.h>

#include <algorithm>
#include <cstring>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;

namespace {

QString qcowError(libqcow_error_t* error) { return libraryError("libqcow", error, libqcow_error_sprint, libqcow_error_free); }

void closeFile(libqcow_file_t*& file)
{
    libqcow_file_close(file, nullptr);
    libqcow_file_free(&file, nullptr);
}

// Where a qcow file's clusters lie, checked against its size before libqcow
// reads any: libqcow takes a cluster at the cut-off end of a file for a whole
// one and copies past its buffer. The active table only (snapshots are not read).
QString mappingFault(const QString& path)
{
    const auto fileBytes = fileSize(path);
    const QByteArray h = fileHead(path, 48);
    if (!fileBytes || h.size() < 48) return QStringLiteral("ist zu kurz für ein qcow-Abbild");
    const std::uint64_t size = std::uint64_t(*fileBytes);
    const bool v1 = be32(h.constData() + 4) == 1;
    const std::uint32_t clusterBits = v1 ? static_cast<unsigned char>(h[32]) : be32(h.constData() + 20);
    if (clusterBits < 9 || clusterBits > 21) return QStringLiteral("nennt Cluster von 2^%1 Bytes").arg(clusterBits);
    const std::uint64_t cluster = std::uint64_t(1) << clusterBits;
    const std::uint32_t l2Bits = v1 ? static_cast<unsigned char>(h[33]) : clusterBits - 3;
    if (l2Bits < 6 || l2Bits > clusterBits) return QStringLiteral("nennt Tabellen von 2^%1 Einträgen").arg(l2Bits);
    const std::uint64_t diskSize = be64(h.constData() + 24);
    const std::uint64_t perL1 = cluster << l2Bits;
    const std::uint64_t l1Count = v1 ? (diskSize + perL1 - 1) / perL1 : be32(h.constData() + 36);
    const std::uint64_t l1At = be64(h.constData() + 40);
    if (l1Count > (32u << 20) || l1At > size || l1Count * 8 > size - l1At)
        return QStringLiteral("ist abgeschnitten: die L1-Tabelle liegt hinter dem Dateiende");
    const std::uint64_t offsetMask = v1 ? ~(std::uint64_t(3) << 62) : 0x00FFFFFFFFFFFE00ull;
    const QByteArray l1 = fileHead(path, qint64(l1Count * 8), qint64(l1At));
    if (std::uint64_t(l1.size()) != l1Count * 8) return QStringLiteral("ist nicht lesbar: die L1-Tabelle");
    const std::uint64_t l2Bytes = std::uint64_t(8) << l2Bits;
    for (std::uint64_t i = 0; i < l1Count; ++i) {
        const std::uint64_t l2At = be64(l1.constData() + 8 * i) & offsetMask;
        if (l2At == 0) continue;
        if (l2At > size || l2Bytes > size - l2At)
            return QStringLiteral("ist abgeschnitten: eine L2-Tabelle (bei Byte %1) reicht hinter das Dateiende (%2 Bytes)")
                .arg(l2At)
                .arg(size);
        const QByteArray l2 = fileHead(path, qint64(l2Bytes), qint64(l2At));
        if (std::uint64_t(l2.size()) != l2Bytes) return QStringLiteral("ist nicht lesbar: eine L2-Tabelle");
        for (std::uint64_t j = 0; j < l2Bytes / 8; ++j) {
            const std::uint64_t entry = be64(l2.constData() + 8 * j);
            const bool compressed = v1 ? (entry >> 63) & 1 : (entry >> 62) & 1;
            std::uint64_t at = 0, length = cluster;
            if (compressed) {
                // The host offset in the low bits; its data may end in a last sector the file does not fill.
                const unsigned x = v1 ? 63 - clusterBits : 62 - (clusterBits - 8);
                at = entry & ((std::uint64_t(1) << x) - 1);
                length = 1;
            } else {
                at = entry & offsetMask;
                if (at == 0) continue;  // not allocated here, or zeros
            }
            if (at > size || length > size - at)
                return QStringLiteral("ist abgeschnitten: ein Cluster (bei Byte %1) reicht hinter das Dateiende (%2 Bytes)")
                    .arg(at)
                    .arg(size);
        }
    }
    return {};
}

libqcow_file_t* openFile(const QString& named, const QString& path)
{
    if (const QString lacking = qcowFeaturesNotRead(path); !lacking.isEmpty()) {
        const QString name = QFileInfo(path).fileName();
        imageFault(named, QStringLiteral("%1%2, was Tessera nicht liest; mit \u201Eqemu-img convert -O qcow2 "
                                         "%3 %4\u201C in ein lesbares qcow2-Abbild umwandeln")
                              .arg(path == named ? QString() : QStringLiteral("(über \u201E%1\u201C) ").arg(path),
                                   lacking, name, QFileInfo(path).completeBaseName() + QStringLiteral("-lesbar.qcow2")));
    }
    if (const QString fault = mappingFault(path); !fault.isEmpty())
        imageFault(named, path == named ? fault : QStringLiteral("hat ein Basisabbild \u201E%1\u201C, das %2").arg(path, fault));
    libqcow_error_t* error = nullptr;
    libqcow_file_t* file = nullptr;
    if (libqcow_file_initialize(&file, &error) != 1)
        imageFault(named, QStringLiteral("kann nicht geöffnet werden") + qcowError(error));
    if (libqcow_file_open(file, QFile::encodeName(path).constData(), LIBQCOW_OPEN_READ, &error) != 1) {
        libqcow_file_free(&file, nullptr);
        imageFault(named, QStringLiteral("ist kein lesbares qcow2-Abbild%1%2").arg(path == named ? QString() : QStringLiteral(" (über \u201E%1\u201C)").arg(path), qcowError(error)));
    }
    uint32_t encryption = 0;
    if (libqcow_file_get_encryption_method(file, &encryption, nullptr) == 1 && encryption != 0) {
        closeFile(file);
        imageFault(named, QStringLiteral("ist verschlüsselt; Tessera liest keine Schlüssel"));
    }
    return file;
}

std::int64_t mediaSize(libqcow_file_t* file) { return libraryMediaSize(file, libqcow_file_get_media_size); }

QString backingName(libqcow_file_t* file) { return libraryText(file, libqcow_file_get_utf8_backing_filename_size, libqcow_file_get_utf8_backing_filename); }

// The cluster size a qcow header names (version 1 at 32, later at 20).
std::int64_t clusterSizeOf(const QString& path)
{
    const QByteArray h = fileHead(path, 36);
    if (h.size() < 36) return 512;
    const std::uint32_t bits = be32(h.constData() + 4) == 1 ? static_cast<unsigned char>(h[32]) : be32(h.constData() + 20);
    return bits >= 9 && bits <= 21 ? std::int64_t(1) << bits : 512;
}

}  // namespace

QString qcowFeaturesNotRead(const QString& path)
{
    const QByteArray h = fileHead(path, 112);
    if (h.size() < 72 || !startsWith(h, 0, "QFI\xFB") || be32(h.constData() + 4) < 3) return {};
    const std::uint64_t incompatible = be64(h.constData() + 72);
    QStringList lacking;
    if (incompatible & (1u << 3)) {
        const std::uint32_t headerLength = h.size() >= 104 ? be32(h.constData() + 100) : 0;
        const int type = headerLength > 104 && h.size() > 104 ? static_cast<unsigned char>(h[104]) : -1;
        lacking << (type == 1 ? QStringLiteral("zstd-Kompression") : QStringLiteral("eine andere Kompression als zlib"));
    }
    if (incompatible & (1u << 2)) lacking << QStringLiteral("eine externe Datendatei");
    if (incompatible & (1u << 4)) lacking << QStringLiteral("erweiterte L2-Tabellen");
    if (incompatible & ~std::uint64_t(0x1F)) lacking << QStringLiteral("unbekannte Merkmale (0x%1)").arg(incompatible, 0, 16);
    if (incompatible & (1u << 1)) lacking << QStringLiteral("die Markierung \u201Ebeschädigt\u201C von qemu");
    if (lacking.isEmpty()) return {};
    return QStringLiteral("nutzt ") + lacking.join(QStringLiteral(" und "));
}

QcowImage::QcowImage(const QString& path, ChainGuard& guard)
{
    try {
        chain_.push_back(openFile(path, path));
        files_ << path;
        cluster_ = clusterSizeOf(path);
        size_ = mediaSize(chain_.front());
        if (size_ < 0) imageFault(path, QStringLiteral("nennt keine Größe"));
        // A differential image reads what it does not hold from its backing file.
        for (QString name = backingName(chain_.back()); !name.isEmpty(); name = backingName(chain_.back())) {
            const QString child = files_.back();
            const std::int64_t childSize = mediaSize(chain_.back());
            libqcow_file_t* parent = nullptr;
            const QString found =
                chooseParent(child, lastNameOf(name), parentCandidates(child, {name}), [&](const QString& candidate) -> QString {
                    if (imageFormatOf(candidate) != ImageFormat::Qcow)
                        return QStringLiteral("es ist kein qcow2-Abbild, und libqcow liest nur qcow2 als Basis; mit "
                                              "\u201Eqemu-img convert -O qcow2 %1 %2\u201C zu einem Abbild zusammenführen")
                            .arg(QFileInfo(path).fileName(), QFileInfo(path).completeBaseName() + QStringLiteral("-ganz.qcow2"));
                    guard.enter(candidate);
                    libqcow_file_t* opened = openFile(path, candidate);
                    const std::int64_t size = mediaSize(opened);
                    if (size < 0 || size > childSize) {
                        closeFile(opened);
                        return QStringLiteral("es ist größer (%1) als das Abbild darüber (%2)")
                            .arg(sizeInWords(size), sizeInWords(childSize));
                    }
                    parent = opened;
                    return {};
                });
            chain_.push_back(parent);
            files_ << found;
            cluster_ = std::min(cluster_, clusterSizeOf(found));
            libqcow_file_set_parent_file(chain_[chain_.size() - 2], parent, nullptr);
        }
    } catch (...) {
        for (libqcow_file_t*& file : chain_) closeFile(file);
        throw;
    }
}

QcowImage::~QcowImage()
{
    for (libqcow_file_t*& file : chain_) closeFile(file);
}

// In a chain a read is split at clusters: libqcow, asked for a range that
// begins in a cluster the overlay lacks, reads the whole range from the
// backing file, over the overlay's own clusters after it.
ssize_t QcowImage::read(std::int64_t offset, char* out, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const std::int64_t at = offset + std::int64_t(done);
        const std::size_t n = chain_.size() == 1 ? length - done
                                                 : std::min<std::size_t>(length - done, std::size_t(cluster_ - at % cluster_));
        libqcow_error_t* error = nullptr;
        const ssize_t got = libqcow_file_read_buffer_at_offset(chain_.front(), out + done, n, at, &error);
        if (error) libqcow_error_free(&error);
        if (got < 0) return -1;
        done += std::size_t(got);
        if (std::size_t(got) < n) break;
    }
    return ssize_t(done);
}

}  // namespace disk
