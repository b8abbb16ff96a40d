#pragma once

#include "disk/PrivateCopy.h"
#include "registry/hive/HiveSource.h"

#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace registry {

// A hive's bytes as its transaction logs bring them up to date: reads, and
// writes of whole 512-byte sectors (the logs' unit), and growth.
class HivePages {
public:
    virtual ~HivePages() = default;
    virtual std::int64_t size() const = 0;
    // Within size() only; false when it cannot be read.
    virtual bool read(std::int64_t offset, void* out, std::size_t length) const = 0;
    virtual bool write(std::int64_t offset, const void* data, std::size_t length) = 0;
    // Grows to `size` bytes, the new ones zero; never shrinks.
    virtual bool growTo(std::int64_t size) = 0;
    // Why the last read failed, in German; empty when it is not known.
    virtual QString why() const { return {}; }
};

// The source's bytes with what the logs wrote kept beside them, sector by
// sector: the logs replace what they hold and nothing else is read for them.
// Reads look at the overlay first, then at the source; bytes past the
// source's end (a hive the logs grew) are zeros.
class PageOverlay final : public HivePages {
public:
    explicit PageOverlay(std::shared_ptr<const HiveSource> source);

    std::int64_t size() const override { return size_; }
    bool read(std::int64_t offset, void* out, std::size_t length) const override;
    bool write(std::int64_t offset, const void* data, std::size_t length) override;
    bool growTo(std::int64_t size) override;
    QString why() const override { return why_; }

    const HiveSource& source() const { return *source_; }
    // Bytes held for the logs.
    std::int64_t overlaid() const { return std::int64_t(sectors_.size()) * Sector; }

private:
    static constexpr std::int64_t Sector = 512;
    std::shared_ptr<const HiveSource> source_;
    std::int64_t size_;
    std::map<std::int64_t, std::array<char, Sector>> sectors_;  // by sector number
    mutable QString why_;
};

// A private copy read and written in place (the replay's tests).
class CopyPages final : public HivePages {
public:
    explicit CopyPages(disk::PrivateCopy& copy) : copy_(copy) {}
    std::int64_t size() const override { return copy_.size(); }
    bool read(std::int64_t offset, void* out, std::size_t length) const override { return copy_.read(offset, out, length); }
    bool write(std::int64_t offset, const void* data, std::size_t length) override { return copy_.write(offset, data, length); }
    bool growTo(std::int64_t size) override { return copy_.growTo(size); }

private:
    disk::PrivateCopy& copy_;
};

}  // namespace registry
