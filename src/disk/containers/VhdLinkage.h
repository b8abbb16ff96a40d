#pragma once

#include <QString>
#include <QStringList>

namespace disk {

// How a VHD or VHDX file names itself and its parent, read from its own
// structures (libvhdi gives one name and an identifier that for VHDX is not
// the one a child names): every field untrusted, checked against the file.
struct VhdLinkage {
    QString self;             // VHD: the footer's unique id; VHDX: the current header's data write GUID
    QStringList parentIds;    // a differencing file's parent, as it names it (VHDX: parent_linkage, parent_linkage2)
    QStringList parentNames;  // its locators as stored: relative ones first, then absolute ones
    QString fault;            // why the structures could not be read; empty when they could
};
VhdLinkage readVhdLinkage(const QString& path);

// CRC-32C (Castagnoli), as VHDX checks its headers with.
quint32 crc32c(const char* data, qsizetype length);

}  // namespace disk
