#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace disk {

class DiskImage;

// An NTFS whose clusters are larger than The Sleuth Kit reads (Windows
// formats up to 2 MiB), read with libfsntfs from the image's bytes.
class LargeClusterNtfs {
public:
    struct Entry {
        std::uint64_t address;  // its MFT entry
        QString name;
        bool folder;
    };

    // Nothing, with `fault` saying why, when libfsntfs cannot open it.
    static std::unique_ptr<LargeClusterNtfs> open(const DiskImage& image, std::int64_t start, std::int64_t size,
                                                  QString& fault);
    ~LargeClusterNtfs();
    LargeClusterNtfs(const LargeClusterNtfs&) = delete;
    LargeClusterNtfs& operator=(const LargeClusterNtfs&) = delete;

    std::uint64_t root() const;
    QString label() const;
    std::vector<Entry> list(std::uint64_t folder) const;
    // A file's size, or -1 when it cannot be opened.
    std::int64_t size(std::uint64_t file) const;
    // The file's bytes from `at`, into `out`: the count, or -1.
    std::int64_t read(std::uint64_t file, std::int64_t at, char* out, std::size_t length) const;

private:
    LargeClusterNtfs() = default;
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

// The cluster size an NTFS boot sector names, in bytes (0 when it names none).
std::int64_t ntfsClusterSize(const unsigned char* bootSector);

}  // namespace disk
