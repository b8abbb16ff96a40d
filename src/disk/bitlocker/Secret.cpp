#include "disk/bitlocker/Secret.h"

#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace disk {

Secret::Secret(std::size_t size)
{
    if (size == 0) return;
    const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
    mapped_ = (size + page - 1) / page * page;
    void* p = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        mapped_ = 0;
        throw std::bad_alloc();
    }
    // Locking may be refused (RLIMIT_MEMLOCK); the pages are still kept out
    // of core dumps and wiped.
    ::mlock(p, mapped_);
    ::madvise(p, mapped_, MADV_DONTDUMP);
    ::madvise(p, mapped_, MADV_DONTFORK);
    data_ = static_cast<unsigned char*>(p);
    size_ = size;
}

Secret::Secret(const void* bytes, std::size_t size) : Secret(size)
{
    if (size) std::memcpy(data_, bytes, size);
}

Secret::~Secret() { release(); }

Secret::Secret(Secret&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0))
{
}

Secret& Secret::operator=(Secret&& other) noexcept
{
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void Secret::shrink(std::size_t size)
{
    if (size >= size_) return;
    ::explicit_bzero(data_ + size, size_ - size);
    size_ = size;
}

void Secret::release()
{
    if (!data_) return;
    ::explicit_bzero(data_, mapped_);
    ::munlock(data_, mapped_);
    ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

}  // namespace disk
