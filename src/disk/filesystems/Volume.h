#pragma once

#include "disk/bitlocker/BitLockerVolume.h"
#include "disk/containers/DiskImage.h"
#include "disk/FileSystemKind.h"
#include "disk/filesystems/Partitions.h"
#include "disk/PrivateCopy.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

struct TSK_FS_INFO;

namespace disk {

class LargeClusterNtfs;

// The file system in one partition; an NTFS is read with The Sleuth Kit, or
// with libfsntfs where its clusters are larger than The Sleuth Kit reads. A
// BitLocker volume is unlocked where it can be (see openBitLocker) and its
// file system read through it.
class Volume {
public:
    Volume(const DiskImage& image, const Partition& partition);
    ~Volume();
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    // BitLocker's signature in the boot sector.
    bool bitLocker() const { return bitLocker_; }
    // Why a BitLocker volume stayed locked; null when it opened, or is none.
    const BitLockerLock* lock() const { return lock_ ? &*lock_ : nullptr; }
    // "BitLocker AES-XTS 128" for a volume unlocked; empty for any other.
    const QString& encryption() const { return encryption_; }
    bool ntfs() const;
    // "NTFS", "FAT32", "ext4", ...; "unbekannt" when no file system is found.
    const QString& kind() const { return kind_; }
    // Why the file system did not open, when it looked like one, or why a
    // folder asked for could not be read; empty otherwise.
    const QString& fault() const { return fault_; }
    // An NTFS's cluster size in bytes, as its boot sector names it; 0 for any other file system.
    std::int64_t clusterSize() const { return clusterSize_; }
    // The NTFS volume label, empty when there is none.
    QString label() const;

    // A file or folder by its path from the root, every name matched without
    // regard to case; nothing when a name is missing.
    struct Entry {
        std::uint64_t address;  // of its metadata
        QString name;           // as the file system spells it
        bool folder;
        std::int64_t size;
    };
    std::optional<Entry> find(const QStringList& names) const;
    std::vector<Entry> list(const Entry& folder) const;

    // A file's content read whole (up to `maxSize` bytes); a RuntimeError
    // names `name` and the fault when it cannot be read.
    QByteArray read(const Entry& file, std::int64_t maxSize, const QString& name) const;

    // A file opened to be read a range at a time where it lies, through the
    // file system (and BitLocker, and the container) only as far as asked.
    // Reads of one volume are taken one at a time: the libraries keep state.
    // The volume must outlive it. A RuntimeError names `name` when the file
    // cannot be opened or is larger than `maxSize`.
    class File {
    public:
        ~File();
        File(const File&) = delete;
        File& operator=(const File&) = delete;
        std::int64_t size() const { return size_; }
        // Up to `length` bytes at `offset`; how many, or -1 on an error, with
        // `why` in German (the library's words marked for the details).
        std::int64_t read(std::int64_t offset, char* out, std::int64_t length, QString& why) const;

    private:
        friend class Volume;
        File(const Volume& volume, void* tskFile, std::uint64_t address, std::int64_t size)
            : volume_(volume), tskFile_(tskFile), address_(address), size_(size)
        {
        }
        const Volume& volume_;
        void* tskFile_;  // The Sleuth Kit's open file; null where libfsntfs reads
        std::uint64_t address_;
        std::int64_t size_;
    };
    std::unique_ptr<File> open(const Entry& file, std::int64_t maxSize, const QString& name) const;

private:
    template <class Sink> void readInto(const Entry& file, std::int64_t maxSize, const QString& name, Sink&& sink) const;

    const DiskImage* image_;               // the partition's, or the unlocked volume's
    std::unique_ptr<DiskImage> unlocked_;  // a BitLocker volume, decrypted
    std::int64_t start_ = 0;               // of the file system in *image_
    std::optional<BitLockerLock> lock_;
    QString encryption_;
    TSK_FS_INFO* fs_ = nullptr;
    std::unique_ptr<LargeClusterNtfs> large_;
    QString kind_;
    bool bitLocker_ = false;
    mutable QString fault_;
    std::int64_t clusterSize_ = 0;
    mutable std::mutex reading_;  // files read one range at a time
};

}  // namespace disk
