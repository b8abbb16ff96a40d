#pragma once

#include <QString>

#include <optional>

namespace disk {

// The first segment of the split raw image that `path` belongs to, named as
// split(1), dd and forensic tools name them ("disk.000", "disk.001", …;
// "disk.aa", "disk.ab", …), when the set is there: `path` itself or one
// before it. Nothing for a file that is no segment of a set.
std::optional<QString> firstSegmentOf(const QString& path);

}  // namespace disk
