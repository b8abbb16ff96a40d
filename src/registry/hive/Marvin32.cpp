#include "registry/hive/Marvin32.h"

#include "registry/hive/BaseBlock.h"

#include <bit>

namespace registry {

namespace {

inline void mix(std::uint32_t& s0, std::uint32_t& s1)
{
    s1 ^= s0;
    s0 = std::rotl(s0, 20);
    s0 += s1;
    s1 = std::rotl(s1, 9);
    s1 ^= s0;
    s0 = std::rotl(s0, 27);
    s0 += s1;
    s1 = std::rotl(s1, 19);
}

}  // namespace

std::uint64_t marvin32(const unsigned char* data, std::size_t length, std::uint64_t seed)
{
    std::uint32_t s0 = std::uint32_t(seed), s1 = std::uint32_t(seed >> 32);
    std::size_t at = 0;
    for (; at + 4 <= length; at += 4) {
        s0 += le32(data + at);
        mix(s0, s1);
    }
    // The last 0 to 3 bytes, then 0x80 as the byte above them.
    std::uint32_t last = 0x80;
    for (std::size_t i = length; i > at; --i) last = last << 8 | data[i - 1];
    s0 += last;
    mix(s0, s1);
    mix(s0, s1);
    return std::uint64_t(s1) << 32 | s0;
}

}  // namespace registry
