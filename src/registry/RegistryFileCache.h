#pragma once

#include "registry/RegistryTree.h"

#include <QString>

#include <memory>

namespace registry {

// The parsed file, shared; parsed again only when its size, mtime or inode
// changed. A file that failed fails again, without parsing, until it changes.
std::shared_ptr<const RegistryTree> cachedRegistryFile(const QString& path);

}  // namespace registry
