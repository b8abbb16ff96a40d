#pragma once

#include "disk/FileBytes.h"
#include "registry/hive/HiveCells.h"
#include "registry/hive/HivePages.h"
#include "registry/hive/HiveSource.h"
#include "registry/hive/LogReplay.h"
#include "registry/text/RegistrySource.h"
#include "registry/text/RegistryTree.h"
#include "registry/hive/TransactionLog.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace registry {

// A binary registry hive (a Windows installation's config\SYSTEM or
// config\SOFTWARE, or a file written by "reg save"). It is HKLM\SYSTEM or
// HKLM\SOFTWARE, told from its content, not its name. Read as far as the
// lookups reach, a page at a time, never whole: its base block first, then
// the cells a lookup needs, each checked as it is read.
class Hive : public RegistrySource {
public:
    // SYSTEM and SOFTWARE are HKLM's; any other (a user's NTUSER.DAT, SAM) is
    // read only where asked for (Accept::Any), its paths from its own root.
    enum class Kind { System, Software, Other };
    enum class Accept { MachineHives, Any };

    // Opens the file read-only, brought up to date from the transaction logs
    // beside it (see replayLogs) in pages kept beside its own. Fails with a
    // RuntimeError that names the file and says what is wrong (damaged, cut
    // off, an old or unknown format, a hive of another kind); a cell that is
    // damaged deep inside fails when a lookup reaches it, as clearly.
    explicit Hive(const QString& path, Accept accept = Accept::MachineHives);
    // Where on a disk image a hive was read from.
    struct ImageLocation {
        QString image;      // the file, folder or device named
        int partition = 0;  // as fdisk counts; 0: the image itself
        QString inside;     // "\Windows\System32\config\SYSTEM"
        QStringList chain;  // the files read: the disk, then its parents (or its segments, its extents)
        QString encryption; // "BitLocker AES-XTS 128" for a volume unlocked; empty for none
    };
    // A hive read from `source` (a file on a disk image) with its logs; `name`
    // is what messages call it.
    Hive(const QString& name, std::shared_ptr<HiveSource> source, const std::vector<TransactionLog>& logs,
         std::optional<ImageLocation> location = std::nullopt, Accept accept = Accept::MachineHives);
    // A hive whose bytes are already in memory.
    Hive(const QString& name, disk::PrivateCopy copy, const std::vector<TransactionLog>& logs,
         std::optional<ImageLocation> location = std::nullopt);
    const std::optional<ImageLocation>& imageLocation() const { return location_; }
    ~Hive() override;
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    Kind kind() const { return kind_; }
    const QString& path() const { return path_; }
    // The header's primary and secondary sequence numbers as the file has
    // them: they differ when Windows did not write the hive back completely.
    std::uint32_t primarySequence() const { return replay_.before.primarySequence; }
    std::uint32_t secondarySequence() const { return replay_.before.secondarySequence; }
    // What its logs gave, and the sequence number it reads with.
    const Replay& replay() const { return replay_; }
    // Why the hive shows an older state than Windows left (dirty without a
    // usable log, a log that stopped early), in German; nothing when it is
    // clean or was brought fully up to date.
    std::optional<QString> replayNotice() const;
    // Whether its logs are the ones read: none came, went or changed.
    bool logsUnchanged() const;
    // Bytes read from where the hive lies so far (its logs not counted).
    std::int64_t bytesRead() const { return source_->bytesRead(); }

    // The root is the HKLM level with one child, "SYSTEM" or "SOFTWARE"; of
    // another kind of hive, the hive's own root.
    Key root() const override { return kind_ == Kind::Other ? Key(rootCell_) : HklmLevel; }
    Key child(Key parent, QStringView name) const override;
    const RegValueView* value(Key key, QStringView name) const override;
    // The names of a key's subkeys and values, in the hive's order.
    QStringList subkeyNames(Key key) const override;
    QStringList valueNames(Key key) const override;
    bool mayBeLink(Key key) const override;

private:
    static constexpr Key HklmLevel = 1;  // no hive cell lies at offset 1

    void open(const std::vector<TransactionLog>& logs, Accept accept);
    const HiveCells::KeyNode& node(Key key) const;  // under mutex_
    // Runs a read of the cells; a fault becomes a RuntimeError naming the hive.
    template <class F> auto guarded(F&& read) const;

    QString path_;
    std::optional<ImageLocation> location_;
    std::shared_ptr<HiveSource> source_;
    std::unique_ptr<PageOverlay> pages_;
    std::unique_ptr<HiveCells> cells_;
    Replay replay_;
    std::vector<std::pair<QString, disk::FileStamp>> logStamps_;
    HiveCells::Offset rootCell_ = 0;
    Kind kind_ = Kind::System;
    // What was read once is kept: the key nodes reached, the subkeys looked
    // up (by parent and folded name), the values' data.
    mutable std::mutex mutex_;
    mutable std::unordered_map<Key, HiveCells::KeyNode> nodes_;
    mutable std::map<std::pair<Key, QString>, Key> children_;  // by the parent and the folded name
    // A key's values, their headers read in the list's order as far as a
    // lookup went, their data once asked for (the views borrow it).
    struct KeyValues {
        std::vector<HiveCells::Offset> offsets;
        std::vector<HiveCells::Value> headers;
        std::vector<std::unique_ptr<std::pair<QByteArray, RegValueView>>> data;
    };
    mutable std::unordered_map<Key, KeyValues> values_;
};

// Whether the file begins as a hive does ("regf").
bool looksLikeHive(const QString& path);

}  // namespace registry
