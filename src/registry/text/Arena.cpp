#include "registry/text/Arena.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace registry {

Arena::~Arena()
{
    for (void* block : blocks_) std::free(block);
}

void* Arena::do_allocate(std::size_t bytes, std::size_t alignment)
{
    const std::size_t pad = (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
    if (pad + bytes > left_) {
        if (bytes > ChunkSize / 4) {  // its own block, so a chunk is not left mostly empty
            // aligned_alloc takes a size that is a multiple of the alignment.
            const std::size_t align = std::max(alignment, alignof(std::max_align_t));
            void* block = std::aligned_alloc(align, (bytes + align - 1) / align * align);
            if (!block) throw std::bad_alloc();
            blocks_.push_back(block);
            return block;
        }
        void* chunk = std::malloc(ChunkSize);
        if (!chunk) throw std::bad_alloc();
        blocks_.push_back(chunk);
        next_ = static_cast<char*>(chunk);
        left_ = ChunkSize;
        return do_allocate(bytes, alignment);
    }
    void* out = next_ + pad;
    next_ += pad + bytes;
    left_ -= pad + bytes;
    return out;
}

}  // namespace registry
