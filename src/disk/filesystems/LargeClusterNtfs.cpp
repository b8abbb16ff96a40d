#include "disk/filesystems/LargeClusterNtfs.h"

#include "disk/containers/DiskImage.h"
#include "disk/LibraryCalls.h"

#include <libbfio.h>
#define LIBFSNTFS_HAVE_BFIO
#include <libfsntfs.h>

#include <algorithm>
#include <cstring>

namespace disk {

namespace {

// The partition's bytes as libbfio hands them to libfsntfs.
struct PartitionIo {
    const DiskImage* image;
    std::int64_t start, size, at;
};

int ioFree(intptr_t** io, libbfio_error_t**)
{
    delete reinterpret_cast<PartitionIo*>(*io);
    *io = nullptr;
    return 1;
}

int ioClone(intptr_t** to, intptr_t* from, libbfio_error_t**)
{
    if (!from) return -1;
    *to = reinterpret_cast<intptr_t*>(new PartitionIo(*reinterpret_cast<PartitionIo*>(from)));
    return 1;
}

int ioOpen(intptr_t*, int flags, libbfio_error_t**) { return (flags & LIBBFIO_ACCESS_FLAG_WRITE) ? -1 : 1; }
int ioClose(intptr_t*, libbfio_error_t**) { return 0; }

ssize_t ioRead(intptr_t* io, uint8_t* buffer, size_t length, libbfio_error_t**)
{
    auto* p = reinterpret_cast<PartitionIo*>(io);
    if (p->at < 0 || p->at >= p->size) return 0;
    const std::size_t n = std::size_t(std::min<std::int64_t>(std::int64_t(length), p->size - p->at));
    if (!p->image->read(p->start + p->at, buffer, n)) return -1;
    p->at += std::int64_t(n);
    return ssize_t(n);
}

ssize_t ioWrite(intptr_t*, const uint8_t*, size_t, libbfio_error_t**) { return -1; }  // never

off64_t ioSeek(intptr_t* io, off64_t offset, int whence, libbfio_error_t**)
{
    auto* p = reinterpret_cast<PartitionIo*>(io);
    const std::int64_t base = whence == SEEK_CUR ? p->at : whence == SEEK_END ? p->size : 0;
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
    p->at = base + offset;
    return p->at;
}

int ioExists(intptr_t*, libbfio_error_t**) { return 1; }
int ioIsOpen(intptr_t*, libbfio_error_t**) { return 1; }

int ioSize(intptr_t* io, size64_t* size, libbfio_error_t**)
{
    *size = size64_t(reinterpret_cast<PartitionIo*>(io)->size);
    return 1;
}

QString fsntfsError(libfsntfs_error_t* error) { return libraryError("libfsntfs", error, libfsntfs_error_sprint, libfsntfs_error_free); }

struct EntryCloser {
    void operator()(libfsntfs_file_entry_t* entry) const { libfsntfs_file_entry_free(&entry, nullptr); }
};
using EntryHandle = std::unique_ptr<libfsntfs_file_entry_t, EntryCloser>;

constexpr std::uint64_t MftIndexMask = 0xFFFFFFFFFFFFull;  // a file reference's low 48 bits

}  // namespace

struct LargeClusterNtfs::Handles {
    libbfio_handle_t* io = nullptr;
    libfsntfs_volume_t* volume = nullptr;

    ~Handles()
    {
        if (volume) {
            libfsntfs_volume_close(volume, nullptr);
            libfsntfs_volume_free(&volume, nullptr);
        }
        if (io) libbfio_handle_free(&io, nullptr);
    }

    EntryHandle entry(std::uint64_t index) const
    {
        libfsntfs_file_entry_t* entry = nullptr;
        if (libfsntfs_volume_get_file_entry_by_index(volume, index, &entry, nullptr) != 1) return nullptr;
        return EntryHandle(entry);
    }
};

std::int64_t ntfsClusterSize(const unsigned char* boot)
{
    const unsigned bytesPerSector = boot[11] | boot[12] << 8;
    const unsigned perCluster = boot[13];
    // Above 128 sectors a cluster is given as a power of two: 2^(256 - n) sectors.
    if (perCluster > 0x80) return 256 - perCluster < 32 ? std::int64_t(bytesPerSector) << (256 - perCluster) : 0;
    return std::int64_t(bytesPerSector) * perCluster;
}

std::unique_ptr<LargeClusterNtfs> LargeClusterNtfs::open(const DiskImage& image, std::int64_t start,
                                                         std::int64_t size, QString& fault)
{
    std::unique_ptr<LargeClusterNtfs> ntfs(new LargeClusterNtfs);
    ntfs->handles_ = std::make_unique<Handles>();
    Handles& h = *ntfs->handles_;
    auto* io = new PartitionIo{&image, start, size, 0};
    if (libbfio_handle_initialize(&h.io, reinterpret_cast<intptr_t*>(io), ioFree, ioClone, ioOpen, ioClose, ioRead,
                                  ioWrite, ioSeek, ioExists, ioIsOpen, ioSize,
                                  LIBBFIO_FLAG_IO_HANDLE_MANAGED | LIBBFIO_FLAG_IO_HANDLE_CLONE_BY_FUNCTION, nullptr)
        != 1) {
        delete io;
        fault = runtime::libraryWords(QStringLiteral("libfsntfs: kein Zugriff"));
        return nullptr;
    }
    libfsntfs_error_t* error = nullptr;
    if (libfsntfs_volume_initialize(&h.volume, &error) != 1
        || libfsntfs_volume_open_file_io_handle(h.volume, h.io, LIBFSNTFS_OPEN_READ, &error) != 1) {
        fault = fsntfsError(error);
        if (h.volume) libfsntfs_volume_free(&h.volume, nullptr);
        return nullptr;
    }
    return ntfs;
}

LargeClusterNtfs::~LargeClusterNtfs() = default;

std::uint64_t LargeClusterNtfs::root() const { return 5; }  // NTFS's root folder is MFT entry 5

QString LargeClusterNtfs::label() const
{
    uint8_t name[512] = {};
    if (libfsntfs_volume_get_utf8_name(handles_->volume, name, sizeof name, nullptr) != 1) return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
}

std::vector<LargeClusterNtfs::Entry> LargeClusterNtfs::list(std::uint64_t folder) const
{
    std::vector<Entry> entries;
    const EntryHandle dir = handles_->entry(folder);
    int count = 0;
    if (!dir || libfsntfs_file_entry_get_number_of_sub_file_entries(dir.get(), &count, nullptr) != 1) return entries;
    for (int i = 0; i < count && i < 1'000'000; ++i) {
        libfsntfs_file_entry_t* raw = nullptr;
        if (libfsntfs_file_entry_get_sub_file_entry_by_index(dir.get(), i, &raw, nullptr) != 1) continue;
        const EntryHandle sub(raw);
        uint8_t name[1024] = {};
        std::uint64_t reference = 0;
        if (libfsntfs_file_entry_get_utf8_name(sub.get(), name, sizeof name, nullptr) != 1
            || libfsntfs_file_entry_get_file_reference(sub.get(), &reference, nullptr) != 1)
            continue;
        const bool isFolder = libfsntfs_file_entry_has_directory_entries_index(sub.get(), nullptr) == 1;
        entries.push_back({reference & MftIndexMask, QString::fromUtf8(reinterpret_cast<const char*>(name)), isFolder});
    }
    return entries;
}

std::int64_t LargeClusterNtfs::size(std::uint64_t file) const
{
    const EntryHandle entry = handles_->entry(file);
    size64_t size = 0;
    if (!entry || libfsntfs_file_entry_get_size(entry.get(), &size, nullptr) != 1 || size > size64_t(INT64_MAX)) return -1;
    return std::int64_t(size);
}

std::int64_t LargeClusterNtfs::read(std::uint64_t file, std::int64_t at, char* out, std::size_t length) const
{
    const EntryHandle entry = handles_->entry(file);
    if (!entry) return -1;
    return libfsntfs_file_entry_read_buffer_at_offset(entry.get(), out, length, at, nullptr);
}

}  // namespace disk
