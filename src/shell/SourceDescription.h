#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace shell {

// One registry source the shell object reads, as the terminal tells it.
struct SourceDescription {
    enum class Kind { HiveSystem, HiveSoftware, Export, Wine, Builtin, Live };

    Kind kind = Kind::Builtin;
    QString path;  // the file; the machine root for the live view; null for the built-in defaults;
                   // for a hive on a disk image its path there ("\Windows\System32\config\SYSTEM")
    QString image;       // the disk image or device a hive was read from; null for files
    int partition = -1;  // its partition there, as fdisk counts; 0: the image itself
    QStringList chain;   // the files of the disk read: the disk, then its parents (segments, extents)
    QString encryption;  // the volume's, where it was unlocked: "BitLocker AES-XTS 128"; empty for none
    // Hives only: the header's sequence numbers as the file has them, and
    // whether they differ (the hive was not written back completely).
    std::uint32_t primarySequence = 0;
    std::uint32_t secondarySequence = 0;
    bool dirty = false;
    // The sequence number the hive is read with, after its logs.
    std::uint32_t sequence = 0;
    struct Log {
        QString path;
        int entries = 0;  // applied from it
        QString stopped;  // why it gave less than it holds
    };
    std::vector<Log> logs;
    bool upToDate = true;  // clean, or brought fully up to date
};

}  // namespace shell
