#include "registry/LogReplay.h"

#include "registry/Marvin32.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace registry {

namespace {

constexpr std::size_t Page = 512;
constexpr std::size_t EntryHeader = 40;
constexpr std::uint32_t BinAlignment = 4096;

const unsigned char* bytesOf(const TransactionLog& log) { return reinterpret_cast<const unsigned char*>(log.bytes.constData()); }

// Why a log's first sector is no usable copy of the hive's base block, or nothing.
std::optional<QString> logHeaderFault(const TransactionLog& log, const BaseBlock& b)
{
    if (!log.unreadable.isEmpty()) return log.unreadable;
    if (log.bytes.size() < qsizetype(BaseBlockSector)) return QStringLiteral("zu kurz für einen Kopf");
    if (!b.signature) return QStringLiteral("beginnt nicht mit \u201Eregf\u201C");
    if (!b.checksumValid) return QStringLiteral("die Prüfsumme des Kopfes stimmt nicht");
    if (b.fileType != std::uint32_t(FileType::NewLog) && b.fileType != std::uint32_t(FileType::OldLog))
        return QStringLiteral("ist kein Transaktionsprotokoll (Typ %1)").arg(b.fileType);
    if (b.primarySequence != b.secondarySequence)
        return QStringLiteral("wurde selbst nicht fertig geschrieben (Sequenznummern %1 und %2)")
            .arg(b.primarySequence)
            .arg(b.secondarySequence);
    if (b.clustering < 1 || b.clustering > 8) return QStringLiteral("nennt eine unbekannte Sektorgröße");
    return std::nullopt;
}

bool sensibleBinsSize(std::uint64_t binsSize, std::int64_t maxSize)
{
    return binsSize >= BinAlignment && binsSize % BinAlignment == 0
           && std::int64_t(BaseBlockSize + binsSize) <= maxSize;
}

// One entry of the newer format, checked.
struct Entry {
    std::size_t log;
    int ordinal;  // 1-based, in its log
    std::uint32_t sequence;
    std::uint32_t binsSize;
    const unsigned char* at;
    std::uint32_t pages;
};

// Why the entry at `e` (with `available` bytes of the log from it) cannot be
// applied, or nothing: every size, offset and hash is checked before use.
std::optional<QString> entryFault(const unsigned char* e, std::size_t available, std::int64_t maxSize)
{
    if (available < EntryHeader) return QStringLiteral("abgeschnitten");
    if (marvin32(e, 32, LogEntrySeed) != le64(e + 32))
        return QStringLiteral("die Prüfsumme seines Kopfes (Marvin32) stimmt nicht");
    const std::uint32_t size = le32(e + 4);
    if (size < EntryHeader || size % Page != 0) return QStringLiteral("nennt die unmögliche Größe %1").arg(size);
    if (size > available)
        return QStringLiteral("abgeschnitten: %1 Bytes genannt, %2 vorhanden").arg(size).arg(available);
    if (marvin32(e + EntryHeader, size - EntryHeader, LogEntrySeed) != le64(e + 24))
        return QStringLiteral("die Prüfsumme seiner Seiten (Marvin32) stimmt nicht");
    const std::uint32_t binsSize = le32(e + 16);
    if (!sensibleBinsSize(binsSize, maxSize))
        return QStringLiteral("nennt die unmögliche Größe %1 der Struktur").arg(binsSize);
    const std::uint64_t pages = le32(e + 20);
    std::uint64_t used = EntryHeader + 8 * pages;
    if (used > size) return QStringLiteral("nennt mehr Seiten, als er fasst");
    for (std::uint64_t i = 0; i < pages; ++i) {
        const std::uint32_t offset = le32(e + EntryHeader + 8 * i), length = le32(e + EntryHeader + 8 * i + 4);
        if (length == 0 || length % Page != 0 || offset % Page != 0)
            return QStringLiteral("Seite %1 liegt nicht auf Seitengrenzen").arg(i + 1);
        if (std::uint64_t(offset) + length > binsSize)
            return QStringLiteral("Seite %1 liegt hinter dem Ende der Struktur (%2 Bytes)").arg(i + 1).arg(binsSize);
        used += length;
        if (used > size) return QStringLiteral("seine Seiten sind länger als er");
    }
    return std::nullopt;
}

// The entries of one newer-format log from its second sector on, as far as
// they follow one another. Entries below `from` are older than the hive; a
// damaged entry at or above it ends the log with the reason in `result`.
void scanLog(const TransactionLog& log, std::size_t index, const BaseBlock& header, std::uint32_t from,
             std::int64_t maxSize, std::vector<Entry>& entries, LogReplayed& result)
{
    const unsigned char* bytes = bytesOf(log);
    const std::size_t size = std::size_t(log.bytes.size());
    std::size_t offset = Page * header.clustering;
    std::optional<std::uint32_t> expected;
    int ordinal = 0;
    while (offset + 4 <= size && std::memcmp(bytes + offset, "HvLE", 4) == 0) {
        const unsigned char* e = bytes + offset;
        ++ordinal;
        if (size - offset < EntryHeader) {
            result.stopped = QStringLiteral("Eintrag %1: abgeschnitten").arg(ordinal);
            break;
        }
        const std::uint32_t sequence = le32(e + 12);
        // Windows writes a log from its start again after the hive was
        // written back: what follows the current run are older entries.
        if (expected && sequence < *expected) break;
        if (expected && sequence > *expected) {
            if (sequence >= from)
                result.stopped = QStringLiteral("Lücke: auf Eintrag Nummer %1 folgt %2").arg(*expected - 1).arg(sequence);
            break;
        }
        if (const auto fault = entryFault(e, size - offset, maxSize)) {
            if (sequence >= from)
                result.stopped = QStringLiteral("Eintrag %1 (Nummer %2): %3").arg(ordinal).arg(sequence).arg(*fault);
            break;
        }
        entries.push_back({index, ordinal, sequence, le32(e + 16), e, le32(e + 20)});
        expected = sequence + 1;
        offset += le32(e + 4);
    }
}

bool applyEntry(disk::PrivateCopy& hive, const Entry& entry)
{
    if (!hive.growTo(std::int64_t(BaseBlockSize) + entry.binsSize)) return false;
    const unsigned char* data = entry.at + EntryHeader + 8 * std::size_t(entry.pages);
    for (std::uint32_t i = 0; i < entry.pages; ++i) {
        const std::uint32_t offset = le32(entry.at + EntryHeader + 8 * i), length = le32(entry.at + EntryHeader + 8 * i + 4);
        if (!hive.write(std::int64_t(BaseBlockSize) + offset, data, length)) return false;
        data += length;
    }
    return true;
}

// The newer format. Gives the sequence number of the last entry applied and
// the size it names.
std::optional<std::pair<std::uint32_t, std::uint32_t>> replayNewFormat(disk::PrivateCopy& hive,
                                                                         const std::vector<TransactionLog>& logs,
                                                                         const std::vector<BaseBlock>& headers,
                                                                         std::uint32_t from, std::int64_t maxSize,
                                                                         Replay& replay)
{
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < logs.size(); ++i)
        if (replay.logs[i].stopped.isEmpty() && headers[i].fileType == std::uint32_t(FileType::NewLog))
            scanLog(logs[i], i, headers[i], from, maxSize, entries, replay.logs[i]);
    std::erase_if(entries, [&](const Entry& e) { return e.sequence < from; });
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.sequence < b.sequence; });
    std::optional<std::pair<std::uint32_t, std::uint32_t>> last;
    for (const Entry& entry : entries) {
        if (last && entry.sequence == last->first) continue;  // the same entry in both logs
        if (last && entry.sequence != last->first + 1) {
            LogReplayed& result = replay.logs[entry.log];
            if (result.stopped.isEmpty())
                result.stopped = QStringLiteral("Lücke: auf Eintrag Nummer %1 folgt %2").arg(last->first).arg(entry.sequence);
            break;
        }
        if (!applyEntry(hive, entry)) {
            replay.logs[entry.log].stopped = QStringLiteral("Eintrag %1 kann nicht angewandt werden").arg(entry.ordinal);
            break;
        }
        ++replay.logs[entry.log].entries;
        last = {entry.sequence, entry.binsSize};
    }
    return last;
}

bool bit(const unsigned char* bitmap, std::size_t i) { return bitmap[i / 8] >> (i % 8) & 1; }

// The older format: one log, its base block, dirty vector and pages, applied
// as a whole or not at all. Gives why not.
std::optional<QString> replayOldFormat(disk::PrivateCopy& hive, const TransactionLog& log, const BaseBlock& header,
                                       std::uint64_t hiveTimestamp, std::int64_t maxSize)
{
    if (header.timestamp != hiveTimestamp) return QStringLiteral("gehört zu einem anderen Stand der Struktur");
    if (!sensibleBinsSize(header.binsSize, maxSize))
        return QStringLiteral("nennt die unmögliche Größe %1 der Struktur").arg(header.binsSize);
    const unsigned char* bytes = bytesOf(log);
    const std::size_t size = std::size_t(log.bytes.size());
    const std::size_t sector = Page * header.clustering;
    const std::size_t bits = header.binsSize / Page, bitmapBytes = (bits + 7) / 8;
    if (sector + 4 + bitmapBytes > size) return QStringLiteral("abgeschnitten im Verzeichnis der Seiten");
    if (std::memcmp(bytes + sector, "DIRT", 4) != 0) return QStringLiteral("hat kein Verzeichnis der Seiten (\u201EDIRT\u201C)");
    const unsigned char* bitmap = bytes + sector + 4;
    const std::size_t pagesAt = (sector + 4 + bitmapBytes + sector - 1) / sector * sector;
    std::size_t count = 0;
    for (std::size_t i = 0; i < bitmapBytes; ++i) count += std::size_t(std::popcount(unsigned(bitmap[i])));
    // Bits past the size count for nothing.
    for (std::size_t i = bits; i < bitmapBytes * 8; ++i) count -= bit(bitmap, i);
    if (pagesAt + Page * count > size)
        return QStringLiteral("abgeschnitten: %1 Seiten genannt, %2 vorhanden").arg(count).arg((size > pagesAt ? size - pagesAt : 0) / Page);

    // What the pages replace, to put back when the bins they make are not sound.
    const std::int64_t oldSize = hive.size();
    QByteArray saved;
    std::vector<std::size_t> dirty;
    for (std::size_t i = 0; i < bits; ++i)
        if (bit(bitmap, i)) dirty.push_back(i);
    saved.resize(qsizetype(dirty.size() * Page));
    for (std::size_t k = 0; k < dirty.size(); ++k) {
        const std::int64_t at = std::int64_t(BaseBlockSize + Page * dirty[k]);
        if (at + std::int64_t(Page) <= oldSize) hive.read(at, saved.data() + k * Page, Page);
    }
    auto restore = [&] {
        for (std::size_t k = 0; k < dirty.size(); ++k) {
            const std::int64_t at = std::int64_t(BaseBlockSize + Page * dirty[k]);
            if (at + std::int64_t(Page) <= oldSize) hive.write(at, saved.constData() + k * Page, Page);
        }
    };
    if (!hive.growTo(std::int64_t(BaseBlockSize + header.binsSize))) return QStringLiteral("kann nicht angewandt werden");
    for (std::size_t k = 0; k < dirty.size(); ++k) {
        if (!hive.write(std::int64_t(BaseBlockSize + Page * dirty[k]), bytes + pagesAt + Page * k, Page)) {
            restore();
            return QStringLiteral("kann nicht angewandt werden");
        }
    }
    // Every bin that holds a dirty page must be a bin where it stands.
    const std::uint64_t end = BaseBlockSize + std::uint64_t(header.binsSize);
    std::uint64_t at = BaseBlockSize;
    while (at < end) {
        unsigned char bin[32];
        const bool read = hive.read(std::int64_t(at), bin, sizeof bin);
        const std::uint32_t size = read ? le32(bin + 8) : 0;
        const bool sound = read && std::memcmp(bin, "hbin", 4) == 0 && le32(bin + 4) == at - BaseBlockSize && size > 0
                           && size % BinAlignment == 0 && at + size <= end;
        if (!sound) {
            const std::size_t first = (at - BaseBlockSize) / Page;
            const bool touched = std::any_of(dirty.begin(), dirty.end(),
                                             [&](std::size_t p) { return p >= first && p < first + BinAlignment / Page; });
            if (!touched) break;  // not ours to judge
            restore();
            return QStringLiteral("seine Seiten ergeben keinen gültigen Behälter bei Byte %1").arg(at);
        }
        at += size;
    }
    // The log's copy of the base block becomes the hive's.
    unsigned char block[BaseBlockSector];
    std::memcpy(block, bytes, BaseBlockSector);
    putLe32(block + BaseBlockAt::FileType, std::uint32_t(FileType::Hive));
    if (!hive.write(0, block, BaseBlockSector)) return QStringLiteral("kann nicht angewandt werden");
    return std::nullopt;
}

}  // namespace

bool Replay::upToDate() const
{
    if (!needed) return true;
    if (entriesApplied() == 0) return false;
    return std::all_of(logs.begin(), logs.end(), [](const LogReplayed& l) { return l.stopped.isEmpty(); });
}

int Replay::entriesApplied() const
{
    int n = 0;
    for (const LogReplayed& l : logs) n += l.entries;
    return n;
}

Replay replayLogs(disk::PrivateCopy& hive, const std::vector<TransactionLog>& logs, std::int64_t maxSize)
{
    Replay replay;
    unsigned char block[BaseBlockSize];
    if (!hive.read(0, block, BaseBlockSize)) return replay;
    replay.before = parseBaseBlock(block);
    replay.sequence = replay.before.primarySequence;

    std::vector<BaseBlock> headers;
    for (const TransactionLog& log : logs) {
        headers.push_back(log.bytes.size() >= qsizetype(BaseBlockSector) ? parseBaseBlock(bytesOf(log)) : BaseBlock{});
        replay.logs.push_back({log.path, 0, logHeaderFault(log, headers.back()).value_or(QString())});
    }
    const auto usable = [&](std::size_t i, FileType type) {
        return replay.logs[i].stopped.isEmpty() && headers[i].fileType == std::uint32_t(type);
    };

    BaseBlock current = replay.before;
    // A header whose checksum is wrong is taken from a log, as Windows does.
    if (!current.checksumValid) {
        for (std::size_t i = 0; i < logs.size(); ++i) {
            if (!usable(i, FileType::NewLog) && !usable(i, FileType::OldLog)) continue;
            std::memcpy(block, bytesOf(logs[i]), BaseBlockSector);
            putLe32(block + BaseBlockAt::FileType, std::uint32_t(FileType::Hive));
            if (!hive.write(0, block, BaseBlockSector)) break;
            current = parseBaseBlock(block);
            current.checksumValid = false;  // still dirty: its changes follow
            replay.baseBlockRecovered = true;
            break;
        }
    }
    const bool dirty = current.dirty();
    // A dirty hive takes its logs from its own number on, a clean one only what is newer.
    const std::uint32_t from = dirty ? current.primarySequence : current.primarySequence + 1;

    std::optional<std::pair<std::uint32_t, std::uint32_t>> last;
    bool newer = false;
    for (std::size_t i = 0; i < logs.size(); ++i) newer = newer || usable(i, FileType::NewLog);
    if (newer) {
        last = replayNewFormat(hive, logs, headers, from, maxSize, replay);
    } else if (dirty) {
        // The older format: the first log that fits, as a whole.
        std::uint64_t timestamp = current.timestamp;
        unsigned char bin[32];
        if (!replay.before.checksumValid && hive.read(std::int64_t(BaseBlockSize), bin, sizeof bin)) timestamp = le64(bin + 20);
        for (std::size_t i = 0; i < logs.size() && !last; ++i) {
            if (!usable(i, FileType::OldLog)) continue;
            if (const auto fault = replayOldFormat(hive, logs[i], headers[i], timestamp, maxSize)) {
                replay.logs[i].stopped = *fault;
                continue;
            }
            replay.logs[i].entries = 1;
            for (LogReplayed& other : replay.logs) other.stopped.clear();  // the one that fits is enough
            last = {headers[i].primarySequence, headers[i].binsSize};
        }
    }
    replay.needed = dirty || last.has_value();
    if (!replay.needed) {
        for (LogReplayed& l : replay.logs) l.stopped.clear();  // a clean hive needs no log
        return replay;
    }
    if (last) {
        if (!hive.read(0, block, BaseBlockSize)) return replay;
        putLe32(block + BaseBlockAt::PrimarySequence, last->first);
        putLe32(block + BaseBlockAt::SecondarySequence, last->first);
        putLe32(block + BaseBlockAt::BinsSize, last->second);
        sealBaseBlock(block);
        if (hive.write(0, block, BaseBlockSize)) replay.sequence = last->first;
    }
    return replay;
}

}  // namespace registry
