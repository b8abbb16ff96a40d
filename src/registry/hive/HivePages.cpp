#include "registry/hive/HivePages.h"

#include <algorithm>
#include <cstring>

namespace registry {

PageOverlay::PageOverlay(std::shared_ptr<const HiveSource> source) : source_(std::move(source)), size_(source_->size())
{
}

bool PageOverlay::read(std::int64_t offset, void* out, std::size_t length) const
{
    if (offset < 0 || offset > size_ || std::uint64_t(size_ - offset) < length) {
        why_ = QStringLiteral("ist abgeschnitten: Byte %1 liegt hinter ihrem Ende").arg(offset + std::int64_t(length));
        return false;
    }
    auto* to = static_cast<char*>(out);
    const std::int64_t end = offset + std::int64_t(length);
    auto next = sectors_.lower_bound(offset / Sector);
    for (std::int64_t at = offset; at < end;) {
        const std::int64_t sector = at / Sector;
        if (next != sectors_.end() && next->first == sector) {
            const std::int64_t from = at - sector * Sector, n = std::min(Sector - from, end - at);
            std::memcpy(to + (at - offset), next->second.data() + from, std::size_t(n));
            at += n;
            ++next;
            continue;
        }
        // Up to the next sector the logs wrote: from the source, zeros past its end.
        const std::int64_t until = std::min(end, next == sectors_.end() ? end : next->first * Sector);
        const std::int64_t fromSource = std::max<std::int64_t>(0, std::min(until, source_->size()) - at);
        if (fromSource > 0 && !source_->read(at, to + (at - offset), std::size_t(fromSource))) {
            why_ = source_->why();
            return false;
        }
        std::memset(to + (at - offset) + fromSource, 0, std::size_t(until - at - fromSource));
        at = until;
    }
    return true;
}

bool PageOverlay::write(std::int64_t offset, const void* data, std::size_t length)
{
    if (offset < 0 || offset > size_ || std::uint64_t(size_ - offset) < length) return false;
    const auto* from = static_cast<const char*>(data);
    for (std::int64_t at = offset, end = offset + std::int64_t(length); at < end;) {
        const std::int64_t sector = at / Sector, inside = at - sector * Sector;
        const std::int64_t n = std::min(Sector - inside, end - at);
        auto it = sectors_.find(sector);
        if (it == sectors_.end()) {
            std::array<char, Sector> bytes{};
            // A sector written only in part keeps the rest of what it held.
            if (n < Sector && !read(sector * Sector, bytes.data(), std::size_t(std::min(Sector, size_ - sector * Sector))))
                return false;
            it = sectors_.emplace(sector, bytes).first;
        }
        std::memcpy(it->second.data() + inside, from + (at - offset), std::size_t(n));
        at += n;
    }
    return true;
}

bool PageOverlay::growTo(std::int64_t size)
{
    size_ = std::max(size_, size);
    return true;
}

}  // namespace registry
