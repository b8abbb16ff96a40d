#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include <sys/types.h>

namespace disk {

// Bytes held in anonymous memory (a memfd) that nothing outside the program
// can change or shrink: what is read from a file or a disk is copied here, and
// read, mended and handed on from here. Nothing is ever written to the source.
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

    // Appends `length` bytes from the file descriptor's current offset; false
    // with errno 0 when the file ended sooner.
    bool appendFromFile(int fd, std::int64_t length);
    // The same from `offset` of the file, its own offset untouched.
    bool appendFromFile(int fd, std::int64_t offset, std::int64_t length);
    bool append(const void* data, std::size_t length);
    // Grows to `size` bytes, the new ones zero; never shrinks.
    bool growTo(std::int64_t size);

    // Within the copy only: a range past its end fails (errno ERANGE).
    bool read(std::int64_t offset, void* out, std::size_t length) const;
    bool write(std::int64_t offset, const void* data, std::size_t length);

    // The whole copy mapped writable, for many small writes at once; valid
    // until it goes, and the copy must not grow meanwhile. Null when the copy
    // cannot be mapped (errno set).
    class Mapping {
    public:
        Mapping(Mapping&& other) noexcept;
        Mapping& operator=(Mapping&&) = delete;
        ~Mapping();
        unsigned char* data() const { return data_; }
        std::int64_t size() const { return size_; }
        explicit operator bool() const { return data_ != nullptr; }

    private:
        friend class PrivateCopy;
        Mapping(unsigned char* data, std::int64_t size) : data_(data), size_(size) {}
        unsigned char* data_;
        std::int64_t size_;
    };
    Mapping map();

    // Where another library opens the bytes by name ("/proc/self/fd/N").
    QByteArray procPath() const;

private:
    bool sendFrom(int fd, off_t* from, std::int64_t length);

    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace disk
