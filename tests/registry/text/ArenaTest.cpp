// The arena of a registry tree: aligned, non-overlapping memory, large requests
// included, all given back with the arena (the sanitizer build checks the rest).
#include "registry/text/Arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>

TEST(Arena, AllocationsAreAlignedAndDoNotOverlap)
{
    registry::Arena arena;
    std::map<std::uintptr_t, std::size_t> taken;  // start -> size
    const std::size_t alignments[] = {1, 2, 8, 16, 64};
    for (int i = 0; i < 20000; ++i) {
        const std::size_t align = alignments[i % 5];
        const std::size_t size = 1 + std::size_t(i * 7919) % 300 + (i % 997 == 0 ? 100000 : 0);
        auto* p = static_cast<unsigned char*>(arena.allocate(size, align));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % align, 0u) << i;
        std::memset(p, 0xAB, size);  // writable to its end
        taken[reinterpret_cast<std::uintptr_t>(p)] = size;
    }
    std::uintptr_t end = 0;
    for (const auto& [start, size] : taken) {
        EXPECT_GE(start, end);
        end = start + size;
    }
}
