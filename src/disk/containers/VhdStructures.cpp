#include "disk/containers/VhdStructures.h"

#include "disk/FileBytes.h"

#include <algorithm>

namespace disk {

namespace {

constexpr std::uint32_t MaxEntries = 2047;  // in a region or metadata table

bool sameGuid(const char* stored, const char* textual) { return uuidText(stored, true) == QLatin1String(textual); }

}  // namespace

VhdHeaders readVhdHeaders(const QString& path, std::int64_t size)
{
    VhdHeaders vhd;
    vhd.footer = fileHead(path, 512, size - 512);
    if (!startsWith(vhd.footer, 0, "conectix")) vhd.footer = fileHead(path, 512);  // the copy at the start
    if (vhd.footer.size() < 512 || !startsWith(vhd.footer, 0, "conectix")) {
        vhd.fault = QStringLiteral("hat keine VHD-Fußzeile");
        return vhd;
    }
    vhd.type = be32(vhd.footer.constData() + 60);
    if (vhd.type != 3 && vhd.type != 4) return vhd;
    const std::uint64_t headerAt = be64(vhd.footer.constData() + 16);
    if (size >= 1024 && headerAt <= std::uint64_t(size) - 1024) vhd.header = fileHead(path, 1024, qint64(headerAt));
    if (vhd.header.size() < 1024 || !startsWith(vhd.header, 0, "cxsparse")) {
        vhd.header.clear();
        vhd.fault = QStringLiteral("hat keinen lesbaren Kopf eines dynamischen Abbilds");
    }
    return vhd;
}

VhdxRegions readVhdxRegions(const QString& path, std::int64_t size)
{
    VhdxRegions vhdx;
    const QByteArray regions = fileHead(path, 64 * 1024, 192 * 1024);
    if (regions.size() < 16 || !startsWith(regions, 0, "regi")) {
        vhdx.fault = QStringLiteral("hat keine VHDX-Regionstabelle");
        return vhdx;
    }
    std::uint64_t metaAt = 0, metaLength = 0;
    const std::uint32_t count = std::min(le32(regions.constData() + 8), MaxEntries);
    for (std::uint32_t i = 0; i < count && 16 + 32 * qsizetype(i + 1) <= regions.size(); ++i) {
        const char* e = regions.constData() + 16 + 32 * i;
        if (sameGuid(e, "2dc27766-f623-4200-9d64-115e9bfd4a08")) vhdx.batAt = le64(e + 16), vhdx.batLength = le32(e + 24);
        if (sameGuid(e, "8b7ca206-4790-4b9a-b8fe-575f050f886e")) metaAt = le64(e + 16), metaLength = le32(e + 24);
    }
    const auto inFile = [&](std::uint64_t at, std::uint64_t length) {
        return at > 0 && at <= std::uint64_t(size) && length <= std::uint64_t(size) - at;
    };
    if (!inFile(metaAt, metaLength) || metaLength < 32 || metaLength > (64u << 20)) {
        vhdx.fault = QStringLiteral("hat keine lesbare VHDX-Metadatenregion");
        return vhdx;
    }
    if (!inFile(vhdx.batAt, vhdx.batLength)) vhdx.batAt = vhdx.batLength = 0;  // told by whoever needs it
    vhdx.metadata = fileHead(path, qint64(metaLength), qint64(metaAt));
    if (!startsWith(vhdx.metadata, 0, "metadata")) {
        vhdx.metadata.clear();
        vhdx.fault = QStringLiteral("hat keine lesbare VHDX-Metadatentabelle");
    }
    return vhdx;
}

QByteArrayView vhdxMetadataItem(const QByteArray& metadata, const char* guid)
{
    if (metadata.size() < 32) return {};
    const std::uint32_t items = std::min<std::uint32_t>(le16(metadata.constData() + 10), MaxEntries);
    for (std::uint32_t i = 0; i < items && 32 + 32 * qsizetype(i + 1) <= metadata.size(); ++i) {
        const char* e = metadata.constData() + 32 + 32 * i;
        if (!sameGuid(e, guid)) continue;
        const std::uint32_t at = le32(e + 16), length = le32(e + 20);
        if (at > metadata.size() || length > metadata.size() - at) return {};
        return QByteArrayView(metadata.constData() + at, qsizetype(length));
    }
    return {};
}

}  // namespace disk
