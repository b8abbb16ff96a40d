#pragma once

#include <cstddef>

namespace disk {

// Bytes that must not leave the process: a password, a recovery password, a
// key file's content, a volume key. Kept in pages of their own, locked from
// swapping and left out of core dumps, and wiped when freed. Never printed,
// logged or written; a Secret cannot be copied, only moved.
class Secret {
public:
    Secret() = default;
    explicit Secret(std::size_t size);  // zeros; std::bad_alloc when no pages can be had
    Secret(const void* bytes, std::size_t size);
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Keeps only the first `size` bytes (no more than it holds); the rest is wiped.
    void shrink(std::size_t size);

private:
    void release();

    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;
};

}  // namespace disk
