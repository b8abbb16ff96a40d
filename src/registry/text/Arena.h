#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

namespace registry {

// Memory for one registry tree: handed out from 64 KiB chunks and given back
// all at once when the arena goes. The chunks are small enough for the heap to
// reuse them for the next tree, so reading a changed file again touches no
// fresh pages; a request too large for a chunk gets a block of its own.
class Arena : public std::pmr::memory_resource {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() override;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) override {}  // all goes at once
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    static constexpr std::size_t ChunkSize = 64 * 1024;
    std::vector<void*> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

}  // namespace registry
