#include "registry/hive/LogReplay.h"

#include "registry/hive/Marvin32.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <thread>
#include <atomic>
#include <future>

namespace registry {

namespace {

constexpr std::size_t Page = 512;
constexpr std::size_t EntryHeader = 40;
constexpr std::uint32_t BinAlignment = 4096;

const unsigned char* bytesOf(const QByteArray& bytes) { return reinterpret_cast<const unsigned char*>(bytes.constData()); }

// Why a log's first sector is no usable copy of the hive's base block, or nothing.
std::optional<QString> logHeaderFault(const TransactionLog& log, const QByteArray& sector, const BaseBlock& b)
{
    if (!log.unreadable().isEmpty()) return log.unreadable();
    if (sector.size() < qsizetype(BaseBlockSector)) return QStringLiteral("zu kurz für einen Kopf");
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

// One entry of the newer format whose header was checked; its pages are read
// and checked when it is applied.
struct Entry {
    std::size_t log;
    int ordinal;  // 1-based, in its log
    std::int64_t offset;
    std::uint32_t size;
    std::uint32_t sequence;
    std::uint32_t binsSize;
    std::uint32_t pages;
};

// Why the entry header `e` (its first 40 bytes) cannot be taken, or nothing;
// `available` is what the log holds from it on.
std::optional<QString> headerFault(const unsigned char* e, std::int64_t available, std::int64_t maxSize)
{
    if (marvin32(e, 32, LogEntrySeed) != le64(e + 32))
        return QStringLiteral("die Prüfsumme seines Kopfes (Marvin32) stimmt nicht");
    const std::uint32_t size = le32(e + 4);
    if (size < EntryHeader || size % Page != 0) return QStringLiteral("nennt die unmögliche Größe %1").arg(size);
    if (size > available)
        return QStringLiteral("abgeschnitten: %1 Bytes genannt, %2 vorhanden").arg(size).arg(available);
    const std::uint32_t binsSize = le32(e + 16);
    if (!sensibleBinsSize(binsSize, maxSize))
        return QStringLiteral("nennt die unmögliche Größe %1 der Struktur").arg(binsSize);
    if (EntryHeader + 8 * std::uint64_t(le32(e + 20)) > size) return QStringLiteral("nennt mehr Seiten, als er fasst");
    return std::nullopt;
}

// Why the whole entry cannot be applied, or nothing: its pages' hash, and every
// page inside the entry and inside the hive it names.
std::optional<QString> bodyFault(const unsigned char* e)
{
    const std::uint32_t size = le32(e + 4), binsSize = le32(e + 16), pages = le32(e + 20);
    if (marvin32(e + EntryHeader, size - EntryHeader, LogEntrySeed) != le64(e + 24))
        return QStringLiteral("die Prüfsumme seiner Seiten (Marvin32) stimmt nicht");
    std::uint64_t used = EntryHeader + 8 * std::uint64_t(pages);
    for (std::uint32_t i = 0; i < pages; ++i) {
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

QString entryStopped(int ordinal, std::uint32_t sequence, const QString& fault)
{
    return QStringLiteral("Eintrag %1 (Nummer %2): %3").arg(ordinal).arg(sequence).arg(fault);
}

// The entry headers of one newer-format log from its second sector on, as far
// as they follow one another. Entries below `from` are older than the hive; a
// damaged header at or above it ends the log with the reason in `result`.
void scanLog(const TransactionLog& log, std::size_t index, const BaseBlock& header, std::uint32_t from,
             std::int64_t maxSize, std::vector<Entry>& entries, LogReplayed& result)
{
    std::int64_t offset = std::int64_t(Page * header.clustering);
    std::optional<std::uint32_t> expected;
    int ordinal = 0;
    for (;;) {
        const QByteArray head = log.read(offset, EntryHeader);
        if (head.size() < 4 || std::memcmp(head.constData(), "HvLE", 4) != 0) break;
        ++ordinal;
        if (head.size() < qsizetype(EntryHeader)) {
            result.stopped = QStringLiteral("Eintrag %1: abgeschnitten").arg(ordinal);
            break;
        }
        const unsigned char* e = bytesOf(head);
        const std::uint32_t sequence = le32(e + 12);
        // Windows writes a log from its start again after the hive was
        // written back: what follows the current run are older entries.
        if (expected && sequence < *expected) break;
        if (expected && sequence > *expected) {
            if (sequence >= from)
                result.stopped = QStringLiteral("Lücke: auf Eintrag Nummer %1 folgt %2").arg(*expected - 1).arg(sequence);
            break;
        }
        if (const auto fault = headerFault(e, log.size() - offset, maxSize)) {
            if (sequence >= from) result.stopped = entryStopped(ordinal, sequence, *fault);
            break;
        }
        // Entries older than the hive are passed over.
        if (sequence >= from) entries.push_back({index, ordinal, offset, le32(e + 4), sequence, le32(e + 16), le32(e + 20)});
        offset += le32(e + 4);
        expected = sequence + 1;
    }
}

// An entry read whole, and why it cannot be applied, if it cannot.
struct Checked {
    QByteArray bytes;
    std::optional<QString> fault;
};

Checked readAndCheck(const TransactionLog& log, const Entry& entry)
{
    Checked c{log.read(entry.offset, entry.size), std::nullopt};
    c.fault = c.bytes.size() < qsizetype(entry.size)
                  ? std::optional(QStringLiteral("abgeschnitten: die Datei wurde beim Lesen kürzer"))
                  : bodyFault(bytesOf(c.bytes));
    return c;
}

// From this many bytes of entries on, one thread reads and hashes them while another applies them.
constexpr std::uint64_t ParallelFrom = 1024 * 1024;

// Written into the copy's memory file rather than through a mapping of it: a
// mapping faults at every page it first touches.
bool applyEntry(HivePages& hive, const unsigned char* e)
{
    const std::uint32_t pages = le32(e + 20);
    const unsigned char* data = e + EntryHeader + 8 * std::size_t(pages);
    for (std::uint32_t i = 0; i < pages; ++i) {
        const std::uint32_t offset = le32(e + EntryHeader + 8 * i), length = le32(e + EntryHeader + 8 * i + 4);
        if (!hive.write(std::int64_t(BaseBlockSize) + offset, data, length)) return false;
        data += length;
    }
    return true;
}

// The newer format. Gives the sequence number of the last entry applied and
// the size it names.
std::optional<std::pair<std::uint32_t, std::uint32_t>> replayNewFormat(HivePages& hive,
                                                                         const std::vector<TransactionLog>& logs,
                                                                         const std::vector<BaseBlock>& headers,
                                                                         std::uint32_t from, std::int64_t maxSize,
                                                                         Replay& replay)
{
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < logs.size(); ++i)
        if (replay.logs[i].stopped.isEmpty() && headers[i].fileType == std::uint32_t(FileType::NewLog))
            scanLog(logs[i], i, headers[i], from, maxSize, entries, replay.logs[i]);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.sequence < b.sequence; });
    // The run that follows one another; the same entry in both logs counts once.
    std::vector<const Entry*> run;
    for (const Entry& entry : entries) {
        if (!run.empty() && entry.sequence == run.back()->sequence) continue;
        if (!run.empty() && entry.sequence != run.back()->sequence + 1) {
            LogReplayed& result = replay.logs[entry.log];
            if (result.stopped.isEmpty())
                result.stopped =
                    QStringLiteral("Lücke: auf Eintrag Nummer %1 folgt %2").arg(run.back()->sequence).arg(entry.sequence);
            break;
        }
        run.push_back(&entry);
    }
    if (run.empty()) return std::nullopt;
    std::uint32_t largest = 0;
    for (const Entry* entry : run) largest = std::max(largest, entry->binsSize);
    const QString noRoom = QStringLiteral("kann nicht angewandt werden: zu wenig Speicher");
    if (!hive.growTo(std::int64_t(BaseBlockSize) + largest)) {
        replay.logs[run.front()->log].stopped = noRoom;
        return std::nullopt;
    }
    // Each entry is read and checked whole before it is applied, and applied in
    // order up to the first that fails. With much to hash, a second thread reads
    // and checks the entries while this one applies those already checked.
    std::uint64_t total = 0;
    for (const Entry* entry : run) total += entry->size;
    std::vector<std::promise<Checked>> promised(run.size());
    std::vector<std::future<Checked>> checked;
    for (std::promise<Checked>& p : promised) checked.push_back(p.get_future());
    std::atomic<bool> enough = false;
    const auto checkAll = [&] {
        for (std::size_t i = 0; i < run.size() && !enough; ++i) {
            Checked c = readAndCheck(logs[run[i]->log], *run[i]);
            const bool failed = c.fault.has_value();
            promised[i].set_value(std::move(c));
            if (failed) break;  // nothing after it is applied
        }
    };
    std::jthread helper;
    if (total >= ParallelFrom && run.size() > 1)
        helper = std::jthread(checkAll);
    else
        checkAll();
    std::optional<std::pair<std::uint32_t, std::uint32_t>> last;
    for (std::size_t i = 0; i < run.size(); ++i) {
        const Entry& entry = *run[i];
        const Checked c = checked[i].get();
        if (c.fault) {
            replay.logs[entry.log].stopped = entryStopped(entry.ordinal, entry.sequence, *c.fault);
            break;
        }
        if (!applyEntry(hive, bytesOf(c.bytes))) {
            replay.logs[entry.log].stopped = noRoom;
            break;
        }
        ++replay.logs[entry.log].entries;
        last = {entry.sequence, entry.binsSize};
    }
    enough = true;
    return last;
}

bool bit(const unsigned char* bitmap, std::size_t i) { return bitmap[i / 8] >> (i % 8) & 1; }

// The older format: one log, its base block, dirty vector and pages, applied
// as a whole or not at all. Gives why not.
std::optional<QString> replayOldFormat(HivePages& hive, const TransactionLog& log, const BaseBlock& header,
                                       std::uint64_t hiveTimestamp, std::int64_t maxSize)
{
    if (header.timestamp != hiveTimestamp) return QStringLiteral("gehört zu einem anderen Stand der Struktur");
    if (!sensibleBinsSize(header.binsSize, maxSize))
        return QStringLiteral("nennt die unmögliche Größe %1 der Struktur").arg(header.binsSize);
    const std::size_t sector = Page * header.clustering;
    const std::size_t bits = header.binsSize / Page, bitmapBytes = (bits + 7) / 8;
    const QByteArray vector = log.read(std::int64_t(sector), std::int64_t(4 + bitmapBytes));
    if (vector.size() < qsizetype(4 + bitmapBytes)) return QStringLiteral("abgeschnitten im Verzeichnis der Seiten");
    if (std::memcmp(vector.constData(), "DIRT", 4) != 0)
        return QStringLiteral("hat kein Verzeichnis der Seiten (\u201EDIRT\u201C)");
    const unsigned char* bitmap = bytesOf(vector) + 4;
    std::vector<std::size_t> dirty;
    for (std::size_t i = 0; i < bits; ++i)
        if (bit(bitmap, i)) dirty.push_back(i);
    const std::size_t pagesAt = (sector + 4 + bitmapBytes + sector - 1) / sector * sector;
    const QByteArray pages = log.read(std::int64_t(pagesAt), std::int64_t(Page * dirty.size()));
    if (pages.size() < qsizetype(Page * dirty.size()))
        return QStringLiteral("abgeschnitten: %1 Seiten genannt, %2 vorhanden").arg(dirty.size()).arg(pages.size() / qsizetype(Page));

    const std::int64_t oldSize = hive.size();
    const QString noRoom = QStringLiteral("kann nicht angewandt werden: zu wenig Speicher");
    if (!hive.growTo(std::int64_t(BaseBlockSize + header.binsSize))) return noRoom;
    // What the pages replace, to put back when the bins they make are not sound.
    QByteArray saved(qsizetype(dirty.size() * Page), '\0');
    for (std::size_t k = 0; k < dirty.size(); ++k) {
        const std::int64_t at = std::int64_t(BaseBlockSize + Page * dirty[k]);
        if (at + std::int64_t(Page) <= oldSize && !hive.read(at, saved.data() + k * Page, Page)) return noRoom;
        if (!hive.write(at, pages.constData() + k * Page, Page)) return noRoom;
    }
    // Every bin that holds a dirty page must be a bin where it stands.
    const std::uint64_t end = BaseBlockSize + std::uint64_t(header.binsSize);
    for (std::uint64_t at = BaseBlockSize; at < end;) {
        unsigned char bin[32] = {};
        const bool read = at + 32 <= end && hive.read(std::int64_t(at), bin, sizeof bin);
        const std::uint32_t size = read ? le32(bin + 8) : 0;
        const bool sound = size > 0 && std::memcmp(bin, "hbin", 4) == 0 && le32(bin + 4) == at - BaseBlockSize
                           && size % BinAlignment == 0 && at + size <= end;
        if (!sound) {
            const std::size_t first = (at - BaseBlockSize) / Page;
            const bool touched = std::any_of(dirty.begin(), dirty.end(),
                                             [&](std::size_t p) { return p >= first && p < first + BinAlignment / Page; });
            if (!touched) break;  // not the log's to judge
            for (std::size_t k = 0; k < dirty.size(); ++k) {
                const std::int64_t page = std::int64_t(BaseBlockSize + Page * dirty[k]);
                if (page + std::int64_t(Page) <= oldSize) hive.write(page, saved.constData() + k * Page, Page);
            }
            return QStringLiteral("seine Seiten ergeben keinen gültigen Behälter bei Byte %1").arg(at);
        }
        at += size;
    }
    // The log's copy of the base block becomes the hive's.
    QByteArray block = log.read(0, BaseBlockSector);
    if (block.size() < qsizetype(BaseBlockSector)) return QStringLiteral("abgeschnitten im Kopf");
    putLe32(reinterpret_cast<unsigned char*>(block.data()) + BaseBlockAt::FileType, std::uint32_t(FileType::Hive));
    if (!hive.write(0, block.constData(), BaseBlockSector)) return noRoom;
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
    CopyPages pages(hive);
    return replayLogs(pages, logs, maxSize);
}

Replay replayLogs(HivePages& hive, const std::vector<TransactionLog>& logs, std::int64_t maxSize)
{
    Replay replay;
    unsigned char block[BaseBlockSize];
    if (!hive.read(0, block, BaseBlockSize)) return replay;
    replay.before = parseBaseBlock(block);
    replay.sequence = replay.before.primarySequence;

    std::vector<BaseBlock> headers;
    std::vector<QByteArray> sectors;
    for (const TransactionLog& log : logs) {
        sectors.push_back(log.read(0, BaseBlockSector));
        headers.push_back(sectors.back().size() >= qsizetype(BaseBlockSector) ? parseBaseBlock(bytesOf(sectors.back()))
                                                                              : BaseBlock{});
        replay.logs.push_back({log.path(), 0, logHeaderFault(log, sectors.back(), headers.back()).value_or(QString())});
    }
    const auto usable = [&](std::size_t i, FileType type) {
        return replay.logs[i].stopped.isEmpty() && headers[i].fileType == std::uint32_t(type);
    };

    BaseBlock current = replay.before;
    // A header whose checksum is wrong is taken from a log, as Windows does.
    if (!current.checksumValid) {
        for (std::size_t i = 0; i < logs.size(); ++i) {
            if (!usable(i, FileType::NewLog) && !usable(i, FileType::OldLog)) continue;
            std::memcpy(block, sectors[i].constData(), BaseBlockSector);
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
        if (!replay.before.checksumValid && hive.read(std::int64_t(BaseBlockSize), bin, sizeof bin))
            timestamp = le64(bin + 20);
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
