#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include <sys/types.h>

namespace disk {

// Bytes held in anonymous memory (a memfd) that nothing outside the program
// can change or shrink: a hive's bytes a test or a fuzzer made, read and
// mended here. Nothing is ever written to a source.
// Calls that fail return false with errno set.
class PrivateCopy {
public:
    PrivateCopy();  // fails with errno when no memory file can be made: see valid()
    ~PrivateCopy();
    PrivateCopy(PrivateCopy&& other) noexcept;
    PrivateCopy& operator=(PrivateCopy&& other) noexcept;
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    bool valid() const { return fd_ >= 0; }
    std::int64_t size() const { return size_; }

    bool append(const void* data, std::size_t length);
    // Grows to `size` bytes, the new ones zero; never shrinks.
    bool growTo(std::int64_t size);

    // Within the copy only: a range past its end fails (errno ERANGE).
    bool read(std::int64_t offset, void* out, std::size_t length) const;
    bool write(std::int64_t offset, const void* data, std::size_t length);

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace disk
