#pragma once

#include "registry/RegistryTree.h"

#include <QByteArrayView>
#include <QString>

namespace registry {

// Parses one registry text file: "REGEDIT4", "Windows Registry Editor Version
// 5.00" (UTF-16LE with BOM, UTF-8 or 8-bit) or a Wine registry file ("WINE
// REGISTRY Version 2", keys relative to HKLM). Keys of hives other than HKLM in
// export files are skipped. Bad input fails with a RuntimeError whose
// description names the source and the line and says what was expected.
RegistryTree parseRegistry(QByteArrayView bytes, const QString& sourceName);

// Reads and parses a file; a file that cannot be read, is no plain file or is
// over 256 MiB fails.
RegistryTree parseRegistryFile(const QString& path);

}  // namespace registry
