#include "inventory/Drives.h"

#include "disk/FileBytes.h"

#include <QRegularExpression>

#include <algorithm>

namespace inventory {

namespace {

constexpr QStringView kMountedDevices = u"SYSTEM\\MountedDevices";

// The partition of `table` that the entry names; 0 when none does.
int partitionNamed(const Drive& drive, const disk::PartitionTable* table)
{
    if (!table) return 0;
    for (const disk::Partition& p : table->partitions) {
        if (p.number == 0) continue;
        if (drive.mbrSignature && table->kind == QLatin1String("MBR") && *drive.mbrSignature == table->mbrSignature
            && *drive.offset == std::uint64_t(p.start))
            return p.number;
        if (!drive.partitionGuid.isEmpty() && table->kind == QLatin1String("GPT") && drive.partitionGuid == p.guid)
            return p.number;
    }
    return 0;
}

// A device path as Windows stores it: UTF-16 text without control characters.
std::optional<QString> devicePath(const QByteArray& data)
{
    if (data.isEmpty() || data.size() % 2 != 0) return std::nullopt;
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()), data.size() / 2);
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
    if (text.isEmpty() || !text.isValidUtf16()) return std::nullopt;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return std::nullopt;
    return text;
}

}  // namespace

std::vector<Drive> readDrives(const KeyReader& reader, const disk::PartitionTable* table)
{
    static const QRegularExpression letterName(QStringLiteral("^\\\\DosDevices\\\\([A-Za-z]:)$"));
    std::vector<Drive> drives;
    for (const QString& name : reader.values(kMountedDevices)) {
        const auto match = letterName.match(name);
        if (!match.hasMatch()) continue;
        const auto value = reader.raw(kMountedDevices, name);
        if (!value) continue;
        const QByteArray& data = value->data;
        Drive drive;
        drive.letter = match.captured(1).toUpper();
        if (data.size() == 12) {
            drive.mbrSignature = disk::le32(data.constData());
            drive.offset = disk::le64(data.constData() + 4);
        } else if (data.size() == 24 && data.startsWith("DMIO:ID:")) {
            drive.partitionGuid = disk::uuidText(data.constData() + 8, true);
        } else if (const auto device = devicePath(data)) {
            drive.device = *device;
        } else {
            reader.warn(kMountedDevices, name,
                        QStringLiteral("ist %1 Bytes lang und weder eine MBR-Signatur mit Versatz (12 Bytes) noch "
                                       "\u201EDMIO:ID:\u201C mit einer GUID (24 Bytes) noch ein Gerätepfad")
                            .arg(data.size()));
            continue;
        }
        drive.partition = partitionNamed(drive, table);
        drives.push_back(std::move(drive));
    }
    std::stable_sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return drives;
}

}  // namespace inventory
