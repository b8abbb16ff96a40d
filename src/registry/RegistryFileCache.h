#pragma once

#include "registry/hive/Hive.h"
#include "registry/text/RegistryText.h"

#include <QString>

#include <memory>

namespace registry {

// The file read and checked, shared; read again only when its size, mtime or
// inode changed. A file that failed fails again, without reading, until it changes.
std::shared_ptr<const RegistryText> cachedRegistryFile(const QString& path);

// The open hive, shared; opened again only when the file or its logs changed.
// A file that failed fails again, without reading, until it changes.
std::shared_ptr<const Hive> cachedHive(const QString& path);

}  // namespace registry
