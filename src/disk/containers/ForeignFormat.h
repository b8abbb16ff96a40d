#pragma once

#include <QString>

namespace disk {

// What a file is that Tessera does not read, where its first bytes (or a
// folder's content) tell it: an archive or a compressed file, a CD or DVD
// image, a Mac or Linux file system, another hypervisor's disk, a VMware
// seSparse snapshot, a Windows installation image, a program. A German
// predicate that names it and what can be done ("ist mit gzip gepackt: …"),
// or empty when the bytes say none of these.
QString foreignFormatOf(const QString& path);

}  // namespace disk
