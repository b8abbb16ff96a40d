#include "disk/containers/VdiImage.h"

#include "disk/FileBytes.h"
#include "disk/containers/ParentChain.h"
#include "disk/SizeInWords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace disk {

namespace {

// Where the fields lie: a 64-byte text, the signature and the version, then
// the header proper from byte 72.
constexpr qsizetype SignatureAt = 64, VersionAt = 68, HeaderSizeAt = 72, TypeAt = 76, BlocksAt = 340,
                    DataAt = 344, DiskSizeAt = 368, BlockSizeAt = 376, BlockExtraAt = 380, BlockCountAt = 384,
                    CreatedAt = 392, LinkageAt = 424;
constexpr std::uint32_t MinHeaderSize = 384;  // version 1.1, the only one VirtualBox has written since 2008
constexpr std::uint32_t MaxBlockSize = 256u << 20;
constexpr std::uint32_t MaxBlocks = 64u << 20;  // 64 TiB in 1 MiB blocks; a map of 256 MiB

QString nullUuid() { return QStringLiteral("00000000-0000-0000-0000-000000000000"); }

}  // namespace

VdiHeaderRead readVdiHeader(const QString& path)
{
    const QByteArray h = fileHead(path, 512);
    auto fault = [](const QString& what) { return VdiHeaderRead{std::nullopt, what}; };
    if (h.size() < 512 || !startsWith(h, SignatureAt, "\x7F\x10\xDA\xBE", 4))
        return fault(QStringLiteral("ist kein VDI-Abbild oder nach %1 Bytes abgeschnitten").arg(h.size()));
    const std::uint32_t version = le32(h.constData() + VersionAt);
    if (version >> 16 != 1)
        return fault(QStringLiteral("ist ein VDI-Abbild der Version %1.%2, die Tessera nicht liest")
                         .arg(version >> 16)
                         .arg(version & 0xFFFF));
    const auto size = fileSize(path);
    if (!size) return fault(QStringLiteral("ist nicht lesbar"));
    VdiHeader v;
    const std::uint32_t headerSize = le32(h.constData() + HeaderSizeAt);
    v.type = le32(h.constData() + TypeAt);
    v.blocksAt = le32(h.constData() + BlocksAt);
    v.dataAt = le32(h.constData() + DataAt);
    v.diskSize = le64(h.constData() + DiskSizeAt);
    v.blockSize = le32(h.constData() + BlockSizeAt);
    v.blockExtra = le32(h.constData() + BlockExtraAt);
    v.blocks = le32(h.constData() + BlockCountAt);
    v.created = uuidText(h.constData() + CreatedAt, true);
    v.linkage = uuidText(h.constData() + LinkageAt, true);
    auto broken = [&](const QString& what) { return fault(QStringLiteral("ist beschädigt (VDI): ") + what); };
    if (headerSize < MinHeaderSize || headerSize > 4096)
        return broken(QStringLiteral("der Kopf ist %1 Bytes lang").arg(headerSize));
    if (v.type < VdiHeader::Dynamic || v.type > VdiHeader::Differencing)
        return broken(QStringLiteral("unbekannte Art %1").arg(v.type));
    if (v.type == VdiHeader::Undo) return fault(QStringLiteral("ist ein VDI-Abbild der alten Art \u201EUndo\u201C, die Tessera nicht liest"));
    if (v.blockSize == 0 || v.blockSize % 512 != 0 || v.blockSize > MaxBlockSize)
        return broken(QStringLiteral("Blöcke von %1 Bytes").arg(v.blockSize));
    if (v.blockExtra > v.blockSize || v.blockExtra % 512 != 0)
        return broken(QStringLiteral("%1 Bytes vor jedem Block").arg(v.blockExtra));
    if (v.diskSize == 0 || v.blocks == 0 || v.blocks > MaxBlocks
        || std::uint64_t(v.blocks) * v.blockSize < v.diskSize
        || std::uint64_t(v.blocks - 1) * v.blockSize >= v.diskSize)
        return broken(QStringLiteral("%1 Blöcke zu %2 Bytes passen nicht zur Größe von %3 Bytes")
                          .arg(v.blocks)
                          .arg(v.blockSize)
                          .arg(v.diskSize));
    const std::uint64_t mapEnd = std::uint64_t(v.blocksAt) + 4ull * v.blocks;
    if (v.blocksAt < 72 + headerSize || mapEnd > v.dataAt)
        return broken(QStringLiteral("die Blocktabelle (ab Byte %1) und die Daten (ab Byte %2) überlappen")
                          .arg(v.blocksAt)
                          .arg(v.dataAt));
    if (mapEnd > std::uint64_t(*size))
        return fault(QStringLiteral("ist abgeschnitten: die Blocktabelle reicht bis Byte %1, die Datei hat %2 Bytes")
                         .arg(mapEnd)
                         .arg(*size));
    if (v.type == VdiHeader::Differencing && v.linkage == nullUuid())
        return broken(QStringLiteral("ein Differenzabbild ohne die Kennung seines Basisabbilds"));
    return {v, {}};
}

namespace {

// The VDI files where a snapshot's parent may be: those a VM's
// configuration names, those beside it, those in the folder above.
QStringList vdiFilesNear(const QString& child, const ChainHints& hints)
{
    QStringList files;
    if (const QString given = givenParent(child); !given.isNull()) files << given;
    for (const QString& known : hints.knownImages)
        if (!files.contains(known)) files << known;
    QDir beside = QFileInfo(child).absoluteDir();
    QList<QDir> dirs{beside};
    if (beside.cdUp()) dirs << beside;
    for (const QDir& dir : dirs)
        for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
            if (entry.suffix().compare(QLatin1String("vdi"), Qt::CaseInsensitive) == 0 && !files.contains(entry.filePath()))
                files << entry.filePath();
    return files;
}

}  // namespace

VdiImage::VdiImage(const QString& path, const ChainHints& hints, const OpenParent& openParent, ChainGuard& guard)
    : path_(path)
{
    const VdiHeaderRead read = readVdiHeader(path);
    if (!read.header) imageFault(path, read.fault);
    header_ = *read.header;
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) imageFault(path, QStringLiteral("ist nicht lesbar"));
    try {
        const std::int64_t fileBytes = std::int64_t(*fileSize(path));
        map_.resize(header_.blocks);
        const std::size_t mapBytes = map_.size() * 4;
        if (::pread(fd_, map_.data(), mapBytes, header_.blocksAt) != ssize_t(mapBytes))
            imageFault(path, QStringLiteral("ist nicht lesbar: die Blocktabelle"));
        // Every block the map names must lie whole in the file.
        const std::uint64_t stride = std::uint64_t(header_.blockSize) + header_.blockExtra;
        for (std::uint32_t i = 0; i < header_.blocks; ++i) {
            std::uint32_t& entry = map_[i];
            entry = le32(reinterpret_cast<const char*>(&entry));
            if (entry == Free || entry == Zero) continue;
            if (entry >= header_.blocks)
                imageFault(path, QStringLiteral("ist beschädigt (VDI): Block %1 zeigt auf Block %2 von %3")
                                     .arg(i)
                                     .arg(entry)
                                     .arg(header_.blocks));
            const std::uint64_t end = header_.dataAt + (std::uint64_t(entry) + 1) * stride;
            if (end > std::uint64_t(fileBytes))
                imageFault(path, QStringLiteral("ist abgeschnitten: Block %1 reicht bis Byte %2, die Datei hat %3 Bytes")
                                     .arg(i)
                                     .arg(end)
                                     .arg(fileBytes));
        }
        if (header_.type != VdiHeader::Differencing) return;
        // A snapshot: its parent is the image whose creation UUID it names.
        const QString self = QFileInfo(path).canonicalFilePath();
        QString wrongFile, mismatch;  // the first image with that UUID whose size differs
        for (const QString& candidate : vdiFilesNear(path, hints)) {
            if (QFileInfo(candidate).canonicalFilePath() == self) continue;
            const VdiHeaderRead parent = readVdiHeader(candidate);
            if (!parent.header || parent.header->created != header_.linkage) continue;
            if (parent.header->diskSize != header_.diskSize) {
                if (mismatch.isNull()) {
                    wrongFile = candidate;
                    mismatch = QStringLiteral("es ist %1 groß, das Differenzabbild %2")
                                   .arg(sizeInWords(std::int64_t(parent.header->diskSize)),
                                        sizeInWords(std::int64_t(header_.diskSize)));
                }
                continue;
            }
            try {
                guard.enter(candidate);
                parent_ = openParent(candidate);
            } catch (const runtime::RuntimeError& error) {
                // The file the user chose does not open as a parent: another may be chosen.
                if (candidate != givenParent(path)) throw;
                wrongParent(path, candidate, error.description());
            }
            if (!parent_) imageFault(path, QStringLiteral("hat ein Basisabbild, das nicht zu öffnen ist: \u201E%1\u201C").arg(candidate));
            return;
        }
        if (!mismatch.isNull()) wrongParent(path, wrongFile, mismatch);
        const QDir beside = QFileInfo(path).absoluteDir();
        QStringList searched{beside.filePath(QStringLiteral("*.vdi"))};
        if (QDir above = beside; above.cdUp()) searched << above.filePath(QStringLiteral("*.vdi"));
        throw MissingParent(path, QStringLiteral("{%1}").arg(header_.linkage), searched);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

VdiImage::~VdiImage()
{
    if (fd_ >= 0) ::close(fd_);
}

QStringList VdiImage::files() const
{
    QStringList all{path_};
    if (parent_) all << parent_->files();
    return all;
}

ssize_t VdiImage::read(std::int64_t offset, char* out, std::size_t length)
{
    if (offset < 0 || offset >= size()) return 0;
    length = std::size_t(std::min<std::int64_t>(std::int64_t(length), size() - offset));
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t at = std::uint64_t(offset) + done;
        const std::uint32_t block = std::uint32_t(at / header_.blockSize);
        const std::uint32_t within = std::uint32_t(at % header_.blockSize);
        const std::size_t n = std::min<std::size_t>(length - done, header_.blockSize - within);
        const std::uint32_t entry = map_[block];
        if (entry == Free && parent_) {
            if (parent_->read(std::int64_t(at), out + done, n) != ssize_t(n)) return -1;
        } else if (entry == Free || entry == Zero) {
            std::memset(out + done, 0, n);
        } else {
            const std::uint64_t from = header_.dataAt
                                       + std::uint64_t(entry) * (std::uint64_t(header_.blockSize) + header_.blockExtra)
                                       + header_.blockExtra + within;
            for (std::size_t got = 0; got < n;) {
                const ssize_t r = ::pread(fd_, out + done + got, n - got, off_t(from + got));
                if (r <= 0) return -1;  // checked to lie in the file: it shrank, or cannot be read
                got += std::size_t(r);
            }
        }
        done += n;
    }
    return ssize_t(done);
}

}  // namespace disk
