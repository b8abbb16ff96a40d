#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace inventory {

// "2022-01-01T11:00:00Z" (ISO 8601, UTC, whole seconds) of a FILETIME:
// 100-nanosecond intervals since 1601-01-01 UTC. Nothing for 0 (never set)
// and for a time past 9999.
std::optional<QString> fileTimeText(std::uint64_t fileTime);

// The same of Unix seconds; nothing for 0.
std::optional<QString> unixTimeText(std::int64_t seconds);

// "2022-04-28" of an Uninstall entry's "20220428"; nothing when the text is
// no such date.
std::optional<QString> compactDateText(const QString& yyyymmdd);

}  // namespace inventory
