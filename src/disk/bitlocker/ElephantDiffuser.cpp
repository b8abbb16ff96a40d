#include "disk/bitlocker/ElephantDiffuser.h"

#include <bit>

namespace disk {

namespace {

constexpr int kWords = 128;
constexpr int kRotationsA[4] = {9, 0, 13, 0};
constexpr int kRotationsB[4] = {0, 10, 0, 25};

// Diffuser A mixes each word with the words 2 and 5 before it, diffuser B
// with the words 2 and 5 after it, around the sector.
std::uint32_t mixA(const std::uint32_t* d, int i)
{
    return d[(i + kWords - 2) % kWords] ^ std::rotl(d[(i + kWords - 5) % kWords], kRotationsA[i % 4]);
}
std::uint32_t mixB(const std::uint32_t* d, int i)
{
    return d[(i + 2) % kWords] ^ std::rotl(d[(i + 5) % kWords], kRotationsB[i % 4]);
}

}  // namespace

void undoElephantDiffusers(std::uint32_t (&d)[128])
{
    for (int cycle = 0; cycle < 3; ++cycle)
        for (int i = 0; i < kWords; ++i) d[i] += mixB(d, i);
    for (int cycle = 0; cycle < 5; ++cycle)
        for (int i = 0; i < kWords; ++i) d[i] += mixA(d, i);
}

void applyElephantDiffusers(std::uint32_t (&d)[128])
{
    for (int cycle = 0; cycle < 5; ++cycle)
        for (int i = kWords - 1; i >= 0; --i) d[i] -= mixA(d, i);
    for (int cycle = 0; cycle < 3; ++cycle)
        for (int i = kWords - 1; i >= 0; --i) d[i] -= mixB(d, i);
}

}  // namespace disk
