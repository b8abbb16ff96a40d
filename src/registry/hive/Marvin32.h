#pragma once

#include <cstddef>
#include <cstdint>

namespace registry {

// The Marvin32 hash with which transaction log entries guard their header
// and their pages.
std::uint64_t marvin32(const unsigned char* data, std::size_t length, std::uint64_t seed);

// The seed of the hive logs' entries.
inline constexpr std::uint64_t LogEntrySeed = 0x82EF4D887A4E55C5ull;

}  // namespace registry
