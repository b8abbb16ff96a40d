#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace disk {

// The structures of VHD and VHDX files that are read here (their parents'
// names and identifiers, their block tables), found and bounded against the
// file: every offset and length checked before it is used.

// VHD: the footer (the last 512 bytes, or the copy a dynamic disk keeps at
// its start) and a dynamic or differencing disk's header (1024 bytes).
struct VhdHeaders {
    QByteArray footer;
    QByteArray header;  // empty for a fixed disk
    std::uint32_t type = 0;  // 2 fixed, 3 dynamic, 4 differencing
    QString fault;
};
VhdHeaders readVhdHeaders(const QString& path, std::int64_t size);

// VHDX: where the block allocation table lies and the metadata region.
struct VhdxRegions {
    std::uint64_t batAt = 0, batLength = 0;
    QByteArray metadata;
    QString fault;
};
VhdxRegions readVhdxRegions(const QString& path, std::int64_t size);
// The metadata item with this GUID ("caa16737-…"), or an empty view.
QByteArrayView vhdxMetadataItem(const QByteArray& metadata, const char* guid);

}  // namespace disk
