#pragma once

#include "disk/PrivateCopy.h"
#include "registry/hive/BaseBlock.h"
#include "registry/hive/HivePages.h"
#include "registry/hive/TransactionLog.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace registry {

// What one log gave.
struct LogReplayed {
    QString path;
    int entries = 0;  // entries applied; an older-format log counts 1 when its pages were applied
    QString stopped;  // why it gave less than it holds (damaged, cut off, a gap); empty otherwise
};

struct Replay {
    BaseBlock before;            // the hive's header as the file has it
    std::uint32_t sequence = 0;  // the copy's sequence number afterwards
    bool needed = false;         // dirty, or a log held newer entries
    bool baseBlockRecovered = false;
    std::vector<LogReplayed> logs;  // every log given, in the order given

    // The copy shows what the hive and its logs hold: clean, or every newer
    // entry applied and no log left unread or stopped early.
    bool upToDate() const;
    int entriesApplied() const;
};

// Brings the private copy of a hive up to date from its transaction logs, as
// Windows does when it loads the hive, when it needs it: its sequence numbers
// differ or its header's checksum is wrong (then the header comes from a log),
// or a log holds entries newer than the hive. The newer format's entries
// ("HvLE", each checked with its two Marvin32 hashes) come from all logs in
// sequence order, from the hive's own sequence number on; the older format's
// base block, dirty vector and pages from the first log that fits. Every byte
// of a log is checked before it is used: an entry that fails a check, or a gap
// in the sequence, ends the replay there, and what came before stays applied.
// Afterwards the copy's header is consistent (sequence numbers, size,
// checksum). The copy holds at least a base block; the hive may grow to
// `maxSize` bytes. The pages the logs write are kept beside the hive's own
// (a PageOverlay), or written into a private copy.
Replay replayLogs(HivePages& hive, const std::vector<TransactionLog>& logs, std::int64_t maxSize);
Replay replayLogs(disk::PrivateCopy& hive, const std::vector<TransactionLog>& logs, std::int64_t maxSize);

}  // namespace registry
