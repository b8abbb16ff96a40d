#pragma once

#include "disk/Container.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace disk {

class ChainGuard;

// The container a file holds, told by content, with its chain of parents
// opened and linked, every hop checked; null when the file is in none of the
// container formats (a raw image, E01, a device). Fails with a German
// RuntimeError naming the file; a parent that is nowhere to be found is a
// MissingParent.
std::unique_ptr<Container> openContainer(const QString& path, const ChainHints& hints, ChainGuard& guard);

}  // namespace disk
