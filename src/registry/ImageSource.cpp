#include "registry/ImageSource.h"

#include "disk/DiskImage.h"
#include "disk/Partitions.h"
#include "disk/Volume.h"
#include "registry/FileCache.h"
#include "registry/RegistrySource.h"
#include "runtime/RuntimeError.h"

#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

constexpr std::int64_t MaxHiveSize = 512LL * 1024 * 1024;

// Where a partition's installation keeps its hives.
const QStringList kConfigFolders[] = {
    {QStringLiteral("Windows"), QStringLiteral("System32"), QStringLiteral("config")},
    {QStringLiteral("WINNT"), QStringLiteral("system32"), QStringLiteral("config")},
};

struct Config {
    QString inside;  // "\Windows\System32\config"
    std::vector<disk::Volume::Entry> entries;
};

std::optional<Config> configOf(const disk::Volume& volume)
{
    for (const QStringList& names : kConfigFolders) {
        const auto folder = volume.find(names);
        if (!folder || !folder->folder) continue;
        Config config{QString(), volume.list(*folder)};
        QStringList spelled;
        while (spelled.size() < names.size()) spelled << volume.find(names.mid(0, spelled.size() + 1))->name;
        config.inside = u'\\' + spelled.join(u'\\');
        for (const QString& hive : {QStringLiteral("SYSTEM"), QStringLiteral("SOFTWARE")})
            for (const auto& entry : config.entries)
                if (!entry.folder && sameName(entry.name, hive)) return config;
    }
    return std::nullopt;
}

const disk::Volume::Entry* entryNamed(const Config& config, const QString& name)
{
    for (const auto& entry : config.entries)
        if (!entry.folder && sameName(entry.name, name)) return &entry;
    return nullptr;
}

// What one partition holds, for the messages.
struct Finding {
    disk::Partition partition;
    QString kind;  // of file system
    QString label;
    QString fault;
    bool bitLocker = false;
    std::optional<Config> config;
};

QString partitionName(const Finding& f)
{
    return f.partition.number == 0 ? QStringLiteral("das Abbild selbst")
                                   : QStringLiteral("Partition %1").arg(f.partition.number);
}

QString holds(const Finding& f)
{
    if (f.bitLocker) return QStringLiteral("mit BitLocker verschlüsselt");
    if (!f.fault.isEmpty()) return QStringLiteral("NTFS, beschädigt (%1)").arg(f.fault);
    if (f.kind == u"NTFS") return f.config ? QStringLiteral("NTFS mit Windows-Installation")
                                           : QStringLiteral("NTFS ohne Windows-Installation");
    return f.kind;
}

QString sourceName(const ImageName& name, int partition)
{
    return partition > 0 ? QStringLiteral("%1@%2").arg(name.image).arg(partition) : name.image;
}

// The hives of one installation, with their logs, read out of the image.
std::vector<std::shared_ptr<const Hive>> hivesOf(const disk::Volume& volume, const Config& config,
                                                 const ImageName& name, int partition)
{
    std::vector<std::shared_ptr<const Hive>> hives;
    const QString prefix = sourceName(name, partition) + u':';
    for (const QString& wanted : {QStringLiteral("SYSTEM"), QStringLiteral("SOFTWARE")}) {
        const disk::Volume::Entry* hive = entryNamed(config, wanted);
        if (!hive) continue;
        const QString inside = config.inside + u'\\' + hive->name;
        std::vector<TransactionLog> logs;
        for (const QString& suffix : {QStringLiteral(".LOG1"), QStringLiteral(".LOG2"), QStringLiteral(".LOG")}) {
            const disk::Volume::Entry* log = entryNamed(config, hive->name + suffix);
            if (!log) continue;
            const QString logInside = config.inside + u'\\' + log->name;
            QByteArray bytes = volume.read(*log, MaxHiveSize, prefix + logInside);
            if (!bytes.isEmpty()) logs.push_back(TransactionLog::ofBytes(logInside, std::move(bytes)));
        }
        Hive::ImageLocation location{name.image, partition, inside};
        hives.push_back(std::make_shared<const Hive>(prefix + inside, volume.copy(*hive, MaxHiveSize, prefix + inside),
                                                     logs, location));
    }
    return hives;
}

// "Windows 10 Pro (Build 19045)" from an installation's SOFTWARE, where it can be read.
QString windowsVersion(const std::vector<std::shared_ptr<const Hive>>& hives)
{
    for (const auto& hive : hives) {
        if (hive->kind() != Hive::Kind::Software) continue;
        auto text = [&](QStringView value) {
            const auto v = findValue(*hive, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", value);
            return v ? textOf(*v).value_or(QString()) : QString();
        };
        const QString product = text(u"ProductName"), build = text(u"CurrentBuildNumber");
        if (product.isEmpty()) break;
        return build.isEmpty() ? product : QStringLiteral("%1 (Build %2)").arg(product, build);
    }
    return QStringLiteral("Windows-Version nicht lesbar");
}

[[noreturn]] void bitLockerError(const ImageName& name, const Finding& f)
{
    struct stat st {};
    const bool device = ::stat(QFile::encodeName(name.image).constData(), &st) == 0 && S_ISBLK(st.st_mode);
    const QString unlock =
        device && f.partition.number == 0
            ? QStringLiteral("\u201Esudo cryptsetup open --type bitlk %1 windows\u201C").arg(name.image)
            : QStringLiteral("\u201Esudo losetup -r -P -f --show %1\u201C und dann \u201Esudo cryptsetup open --type "
                             "bitlk /dev/loopXp%2 windows\u201C")
                  .arg(name.image)
                  .arg(f.partition.number);
    throw RuntimeError(ErrorNumber::InvalidData,
                       QStringLiteral("%1 von \u201E%2\u201C ist mit BitLocker verschlüsselt (\u201E-FVE-FS-\u201C); "
                                      "Tessera liest keine Schlüssel. Entsperren Sie sie mit %3 (oder mit dislocker) "
                                      "und nennen Sie das entsperrte Gerät: \u201Etessera /dev/mapper/windows\u201C.")
                           .arg(partitionName(f), name.image, unlock));
}

}  // namespace

std::optional<ImageName> imageNamed(const QString& source)
{
    const qsizetype at = source.lastIndexOf(u'@');
    if (at > 0 && at + 1 < source.size()) {
        bool ok = false;
        const int partition = source.mid(at + 1).toInt(&ok);
        const QString image = source.left(at);
        if (ok && partition >= 0 && partition < 1000 && source[at + 1].isDigit() && disk::looksLikeDiskImage(image))
            return ImageName{image, partition};
    }
    if (disk::looksLikeDiskImage(source)) return ImageName{source, -1};
    return std::nullopt;
}

ImageInstallation::ImageInstallation(const ImageName& name) : name_(name)
{
    const disk::DiskImage image(name.image);
    const disk::PartitionTable table = disk::partitionsOf(image);
    std::vector<Finding> findings;
    std::vector<std::unique_ptr<disk::Volume>> volumes;
    for (const disk::Partition& partition : table.partitions) {
        // An image without a table is partition 0, and answers to @1 as well.
        if (name.partition >= 0 && partition.number != name.partition
            && !(partition.number == 0 && name.partition == 1))
            continue;
        auto volume = std::make_unique<disk::Volume>(image, partition);
        Finding f{partition, volume->kind(), volume->label(), {}, volume->bitLocker(), {}};
        if (volume->ntfs()) f.config = configOf(*volume);
        if (!f.config) f.fault = volume->fault();  // the file system did not open, or a folder on the way
        findings.push_back(f);
        volumes.push_back(std::move(volume));
    }
    if (name.partition >= 0) {
        if (findings.empty()) {
            QStringList numbers;
            for (const disk::Partition& p : table.partitions) numbers << QString::number(p.number);
            throw RuntimeError(ErrorNumber::FileNotFound,
                               QStringLiteral("\u201E%1@%2\u201C: das Abbild hat keine Partition %2 (es hat: %3)")
                                   .arg(name.image)
                                   .arg(name.partition)
                                   .arg(numbers.join(QStringLiteral(", "))));
        }
        const Finding& f = findings.front();
        if (f.bitLocker) bitLockerError(name, f);
        if (!f.config)
            throw RuntimeError(ErrorNumber::FileNotFound,
                               QStringLiteral("%1 von \u201E%2\u201C enthält keine Windows-Installation (%3)")
                                   .arg(partitionName(f), name.image, holds(f)));
        partition_ = f.partition.number;
        hives_ = hivesOf(*volumes.front(), *f.config, name, partition_);
        return;
    }
    std::vector<std::size_t> installations;
    for (std::size_t i = 0; i < findings.size(); ++i)
        if (findings[i].config) installations.push_back(i);
    if (installations.size() == 1) {
        const Finding& f = findings[installations.front()];
        partition_ = f.partition.number;
        hives_ = hivesOf(*volumes[installations.front()], *f.config, name, partition_);
        return;
    }
    if (installations.size() > 1) {
        QStringList lines, choices;
        for (std::size_t i : installations) {
            const Finding& f = findings[i];
            QString version;
            try {
                version = windowsVersion(hivesOf(*volumes[i], *f.config, name, f.partition.number));
            } catch (const RuntimeError&) {
                version = QStringLiteral("Windows-Version nicht lesbar");
            }
            lines << QStringLiteral("  Partition %1: Beginn %2, Größe %3, %4%5")
                         .arg(f.partition.number)
                         .arg(disk::sizeInWords(f.partition.start), disk::sizeInWords(f.partition.size),
                              f.label.isEmpty() ? QString() : QStringLiteral("Bezeichnung \u201E%1\u201C, ").arg(f.label),
                              version);
            choices << QStringLiteral("\u201Etessera %1@%2\u201C").arg(name.image).arg(f.partition.number);
        }
        throw RuntimeError(ErrorNumber::InvalidData,
                           QStringLiteral("Datenträgerabbild \u201E%1\u201C enthält %2 Windows-Installationen:\n%3\n"
                                          "Wählen Sie eine, etwa mit %4.")
                               .arg(name.image)
                               .arg(installations.size())
                               .arg(lines.join(u'\n'), choices.join(QStringLiteral(" oder "))));
    }
    for (const Finding& f : findings)
        if (f.bitLocker) bitLockerError(name, f);
    QStringList parts;
    for (const Finding& f : findings)
        parts << (f.partition.number == 0 ? QStringLiteral("Dateisystem: %1").arg(holds(f))
                                          : QStringLiteral("Partition %1: %2").arg(f.partition.number).arg(holds(f)));
    throw RuntimeError(ErrorNumber::FileNotFound,
                       QStringLiteral("Datenträgerabbild \u201E%1\u201C enthält keine Windows-Installation: %2; %3")
                           .arg(name.image,
                                table.kind.isEmpty() ? QStringLiteral("keine Partitionstabelle")
                                                     : QStringLiteral("%1-Partitionstabelle").arg(table.kind),
                                parts.join(QStringLiteral(", "))));
}

std::shared_ptr<const ImageInstallation> cachedImageInstallation(const ImageName& name)
{
    static FileCache<ImageInstallation> cache;
    return cache.get(
        sourceName(name, name.partition), [&](const QString&) { return std::make_shared<const ImageInstallation>(name); },
        {}, name.image);
}

}  // namespace registry
