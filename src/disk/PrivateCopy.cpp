#include "disk/PrivateCopy.h"

#include <cerrno>
#include <utility>

#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace disk {

namespace {

bool inside(std::int64_t offset, std::size_t length, std::int64_t size)
{
    if (offset < 0 || offset > size || std::uint64_t(size - offset) < length) {
        errno = ERANGE;
        return false;
    }
    return true;
}

}  // namespace

PrivateCopy::PrivateCopy() : fd_(::memfd_create("tessera-copy", MFD_CLOEXEC)) {}

PrivateCopy::~PrivateCopy()
{
    if (fd_ >= 0) ::close(fd_);
}

PrivateCopy::PrivateCopy(PrivateCopy&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(std::exchange(other.size_, 0))
{
}

PrivateCopy& PrivateCopy::operator=(PrivateCopy&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool PrivateCopy::append(const void* data, std::size_t length)
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    const char* from = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd_, from, length, size_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        from += n;
        length -= std::size_t(n);
        size_ += n;
    }
    return true;
}

bool PrivateCopy::growTo(std::int64_t size)
{
    if (size <= size_) return true;
    // One zero byte at the new end: the memory file is sparse below it.
    const char zero = 0;
    for (;;) {
        const ssize_t n = ::pwrite(fd_, &zero, 1, size - 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1) return false;
        size_ = size;
        return true;
    }
}

bool PrivateCopy::read(std::int64_t offset, void* out, std::size_t length) const
{
    if (!inside(offset, length, size_)) return false;
    char* to = static_cast<char*>(out);
    while (length > 0) {
        const ssize_t n = ::pread(fd_, to, length, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        to += n;
        offset += n;
        length -= std::size_t(n);
    }
    return true;
}

bool PrivateCopy::write(std::int64_t offset, const void* data, std::size_t length)
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    if (!inside(offset, length, size_)) return false;
    const char* from = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd_, from, length, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        from += n;
        offset += n;
        length -= std::size_t(n);
    }
    return true;
}

}  // namespace disk
