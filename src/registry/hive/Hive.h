#pragma once

#include "disk/FileBytes.h"
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

struct hive_h;

namespace registry {

// A binary registry hive (a Windows installation's config\SYSTEM or
// config\SOFTWARE, or a file written by "reg save"), read with hivex. It is
// HKLM\SYSTEM or HKLM\SOFTWARE, told from its content, not its name.
class Hive : public RegistrySource {
public:
    enum class Kind { System, Software };

    // Opens the file read-only: a private copy in memory, so that the file may
    // change or shrink meanwhile without harm, brought up to date from the
    // transaction logs beside it (see replayLogs). Fails with a RuntimeError
    // that names the file and says what is wrong (damaged, cut off, an old or
    // unknown format, a hive of another kind).
    explicit Hive(const QString& path);
    // Where on a disk image a hive was read from.
    struct ImageLocation {
        QString image;      // the file, folder or device named
        int partition = 0;  // as fdisk counts; 0: the image itself
        QString inside;     // "\Windows\System32\config\SYSTEM"
        QStringList chain;  // the files read: the disk, then its parents (or its segments, its extents)
        QString encryption; // "BitLocker AES-XTS 128" for a volume unlocked; empty for none
    };
    // A hive already copied (out of a disk image) with its logs; `name` is
    // what messages call it.
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

    // The root is the HKLM level with one child, "SYSTEM" or "SOFTWARE".
    Key root() const override { return HklmLevel; }
    Key child(Key parent, QStringView name) const override;
    const RegValueView* value(Key key, QStringView name) const override;

private:
    static constexpr Key HklmLevel = 1;  // no hive cell lies at offset 1

    using Names = std::map<QString, std::size_t, FoldedLess>;
    const Names& listed(std::unordered_map<std::size_t, Names>& cache, std::size_t node,
                        std::size_t* (*list)(hive_h*, std::size_t), char* (*nameOf)(hive_h*, std::size_t),
                        const char* what) const;
    const Names& childrenOf(std::size_t node) const;
    const Names& valuesOf(std::size_t node) const;
    [[noreturn]] void damaged(const QString& what, int error) const;  // error: the errno hivex left
    void open(disk::PrivateCopy copy, const std::vector<TransactionLog>& logs);

    QString path_;
    std::optional<ImageLocation> location_;
    Replay replay_;
    std::vector<std::pair<QString, disk::FileStamp>> logStamps_;
    hive_h* hive_ = nullptr;
    Kind kind_ = Kind::System;
    // hivex folds ASCII only; names here fold as everywhere in the registry, so a
    // key's children and values are listed once, when first asked for, and a
    // value's data is read once.
    mutable std::mutex mutex_;
    mutable std::unordered_map<std::size_t, Names> children_;
    mutable std::unordered_map<std::size_t, Names> values_;
    mutable std::unordered_map<std::size_t, std::pair<QByteArray, RegValueView>> data_;
};

// Whether the file begins as a hive does ("regf").
bool looksLikeHive(const QString& path);

}  // namespace registry
