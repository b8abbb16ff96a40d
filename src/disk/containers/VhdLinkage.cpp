#include "disk/containers/VhdLinkage.h"

#include "disk/FileBytes.h"
#include "disk/containers/VhdStructures.h"

#include <QByteArray>

#include <array>
#include <cstring>

namespace disk {

namespace {

// VHD, big-endian: the footer's unique id, then in a differencing disk's
// header its parent's id and name and eight locator entries.
constexpr qsizetype FooterIdAt = 68;
constexpr qsizetype ParentIdAt = 40, ParentNameAt = 64, LocatorsAt = 576;

QString utf16be(const char* p, qsizetype bytes)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes; i += 2) {
        const char16_t c = char16_t(static_cast<unsigned char>(p[i]) << 8 | static_cast<unsigned char>(p[i + 1]));
        if (c == 0) break;
        text.append(QChar(c));
    }
    return text;
}

QString utf16le(const char* p, qsizetype bytes)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(p), bytes / 2);
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
    return text;
}

VhdLinkage readVhd(const QString& path, std::int64_t size)
{
    VhdLinkage link;
    const VhdHeaders vhd = readVhdHeaders(path, size);
    link.fault = vhd.fault;
    if (vhd.footer.isEmpty() || !vhd.fault.isEmpty()) return link;
    link.self = uuidText(vhd.footer.constData() + FooterIdAt, false);
    if (vhd.type != 4) return link;  // not differencing
    const QByteArray& header = vhd.header;
    link.parentIds << uuidText(header.constData() + ParentIdAt, false);
    QStringList relative, absolute;
    for (int i = 0; i < 8; ++i) {
        const char* entry = header.constData() + LocatorsAt + 24 * i;
        const std::uint32_t code = be32(entry), length = be32(entry + 8);
        const std::uint64_t at = be64(entry + 16);
        if (code == 0 || length == 0 || length > 4096 || at >= std::uint64_t(size) || std::uint64_t(size) - at < length)
            continue;
        const QByteArray data = fileHead(path, length, qint64(at));
        switch (code) {
        case 0x57327275: relative << utf16le(data.constData(), data.size()); break;   // "W2ru"
        case 0x57326B75: absolute << utf16le(data.constData(), data.size()); break;   // "W2ku"
        case 0x57693272: relative << QString::fromLatin1(data).section(QChar(0), 0, 0); break;  // "Wi2r"
        case 0x5769326B: absolute << QString::fromLatin1(data).section(QChar(0), 0, 0); break;  // "Wi2k"
        case 0x4D616358: {  // "MacX": a file URL
            QString url = QString::fromUtf8(data).section(QChar(0), 0, 0);
            if (url.startsWith(QLatin1String("file://"))) url = url.mid(url.indexOf(u'/', 7));
            absolute << url;
            break;
        }
        default: break;
        }
    }
    absolute << utf16be(header.constData() + ParentNameAt, 512);
    for (const QString& name : relative + absolute)
        if (!name.isEmpty() && !link.parentNames.contains(name)) link.parentNames << name;
    return link;
}

// VHDX: two headers at 64 and 128 KiB (the valid one with the higher
// sequence number counts), the region table at 192 KiB, the metadata region
// with its table and the parent locator's key-value pairs, little-endian.
VhdLinkage readVhdx(const QString& path, std::int64_t size)
{
    VhdLinkage link;
    QByteArray current;
    std::uint64_t sequence = 0;
    for (qint64 at : {64 * 1024, 128 * 1024}) {
        QByteArray header = fileHead(path, 4096, at);
        if (header.size() < 4096 || !startsWith(header, 0, "head")) continue;
        const std::uint32_t stored = le32(header.constData() + 4);
        std::memset(header.data() + 4, 0, 4);
        if (crc32c(header.constData(), header.size()) != stored) continue;
        const std::uint64_t s = le64(header.constData() + 8);
        if (current.isEmpty() || s > sequence) current = header, sequence = s;
    }
    if (current.isEmpty()) {
        link.fault = QStringLiteral("hat keinen gültigen VHDX-Kopf");
        return link;
    }
    link.self = uuidText(current.constData() + 32, true);
    const VhdxRegions regions = readVhdxRegions(path, size);
    if (!regions.fault.isEmpty()) {
        link.fault = regions.fault;
        return link;
    }
    const QByteArrayView item = vhdxMetadataItem(regions.metadata, "a8d35f2d-b30b-454d-abf7-d3d84834ab0c");
    if (item.size() >= 20) {  // the parent locator
        const std::uint32_t length = std::uint32_t(item.size());
        const char* locator = item.data();
        const std::uint16_t pairs = le16(locator + 18);
        QString relative, volume, absolute;
        for (std::uint32_t p = 0; p < pairs && 20 + 12 * (p + 1) <= length; ++p) {
            const char* pair = locator + 20 + 12 * p;
            const std::uint32_t keyAt = le32(pair), valueAt = le32(pair + 4);
            const std::uint16_t keyLength = le16(pair + 8), valueLength = le16(pair + 10);
            if (keyAt > length || keyLength > length - keyAt || valueAt > length || valueLength > length - valueAt)
                continue;
            const QString key = utf16le(locator + keyAt, keyLength);
            const QString value = utf16le(locator + valueAt, valueLength);
            if (key == u"parent_linkage" || key == u"parent_linkage2") {
                if (const auto id = uuidFromText(value)) link.parentIds << *id;
            } else if (key == u"relative_path") relative = value;
            else if (key == u"volume_path") volume = value;
            else if (key == u"absolute_win32_path") absolute = value;
        }
        for (const QString& name : {relative, absolute, volume})
            if (!name.isEmpty()) link.parentNames << name;
    }
    return link;
}

}  // namespace

quint32 crc32c(const char* data, qsizetype length)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0x82F63B78u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < length; ++i) crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

VhdLinkage readVhdLinkage(const QString& path)
{
    const auto size = fileSize(path);
    if (!size || *size < 512) return {{}, {}, {}, QStringLiteral("ist zu kurz für ein VHD-Abbild")};
    return startsWith(fileHead(path, 8), 0, "vhdxfile") ? readVhdx(path, *size) : readVhd(path, *size);
}

}  // namespace disk
