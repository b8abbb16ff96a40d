#pragma once

#include "disk/PrivateCopy.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace registry {

// Where a hive's bytes lie, read a page at a time as lookups reach them and
// never whole: a file in a folder (pread), a file on a disk image (through
// the stack that found it: the file system, BitLocker, the container), or a
// private copy. The pages read last are kept, up to a bound on memory. A
// source that changed since it was opened (a file written meanwhile, a
// running machine's disk) reads nothing more, so that what is shown never
// mixes two states.
class HiveSource {
public:
    // Up to `length` bytes at `offset` into `out`; how many, or -1 on an
    // error, with `why` (German, the library's words marked) where it is known.
    using Reader = std::function<std::int64_t(std::int64_t offset, char* out, std::int64_t length, QString& why)>;
    // Whether what the reader reads is still as it was when the source was opened.
    using Unchanged = std::function<bool()>;

    static constexpr std::int64_t PageSize = 4096;
    static constexpr std::size_t CachedPages = 256;  // 1 MiB

    HiveSource(std::int64_t size, Reader reader, Unchanged unchanged = {});
    // A plain file, opened without following it onto a FIFO or a device; fails
    // with a RuntimeError naming it ("Registrierungsstruktur …").
    static std::shared_ptr<HiveSource> ofFile(const QString& path);
    // Bytes already in memory (a test's, a fuzzer's).
    static std::shared_ptr<HiveSource> ofCopy(disk::PrivateCopy copy);

    std::int64_t size() const { return size_; }
    // Exactly `length` bytes at `offset`; false past the end, on a read error
    // or once the source changed, with why() saying which.
    bool read(std::int64_t offset, void* out, std::size_t length) const;
    // Why the last read failed, in German ("wurde beim Lesen geändert").
    QString why() const;
    // Bytes the reader was asked for so far: what the hive cost its source.
    std::int64_t bytesRead() const;

private:
    const std::vector<char>* page(std::int64_t index) const;  // under mutex_

    std::int64_t size_;
    Reader reader_;
    Unchanged unchanged_;
    mutable std::mutex mutex_;
    mutable std::list<std::pair<std::int64_t, std::vector<char>>> pages_;  // most recent first
    mutable std::unordered_map<std::int64_t, decltype(pages_)::iterator> index_;
    mutable std::int64_t bytesRead_ = 0;
    mutable QString why_;
    mutable bool changed_ = false;
};

}  // namespace registry
