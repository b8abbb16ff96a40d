#pragma once

#include <QString>

#include <cstdint>

namespace disk {

// "1 MiB", "64 MiB", "1,5 GiB": sizes as people read them.
QString sizeInWords(std::int64_t bytes);

}  // namespace disk
