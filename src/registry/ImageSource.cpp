#include "registry/ImageSource.h"

#include "disk/containers/DiskImage.h"
#include "disk/filesystems/Partitions.h"
#include "disk/SizeInWords.h"
#include "disk/filesystems/Volume.h"
#include "disk/containers/ParentChain.h"
#include "disk/bitlocker/SecretNeeded.h"
#include "disk/machines/VirtualMachine.h"
#include "registry/FileCache.h"
#include "registry/text/RegistrySource.h"
#include "registry/SeveralInstallations.h"
#include "registry/SourceFolder.h"
#include "registry/hive/HiveSource.h"
#include "registry/WindowsProduct.h"
#include "runtime/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <exception>
#include <map>
#include <mutex>

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
    std::int64_t clusterSize = 0;
    bool bitLocker = false;
    std::optional<disk::BitLockerLock> lock;  // a BitLocker volume that stayed locked
    QString encryption;                      // one that was unlocked
    std::optional<Config> config;
};

QString partitionName(const Finding& f)
{
    return f.partition.number == 0 ? QStringLiteral("das Abbild selbst")
                                   : QStringLiteral("Partition %1").arg(f.partition.number);
}

// What a partition holds, with why it cannot be read: the fault's German
// words in brackets, a library's own words after it (they go to the details).
QString withFault(const QString& what, const QString& fault)
{
    return runtime::splitLibraryWords(fault).message.isEmpty() ? what + fault
                                                               : QStringLiteral("%1 (%2)").arg(what, fault);
}

QString holds(const Finding& f)
{
    if (f.lock) return QStringLiteral("mit BitLocker verschlüsselt");
    if (f.bitLocker && !f.fault.isEmpty()) return withFault(QStringLiteral("BitLocker, darin NTFS beschädigt"), f.fault);
    if (f.bitLocker && f.kind == u"NTFS")
        return f.config ? QStringLiteral("BitLocker, darin NTFS mit Windows-Installation")
                        : QStringLiteral("BitLocker, darin NTFS ohne Windows-Installation");
    if (f.bitLocker) return QStringLiteral("BitLocker, darin %1").arg(f.kind);
    if (!f.fault.isEmpty() && f.clusterSize > 64 * 1024)
        return withFault(QStringLiteral("NTFS mit Clustern von %1, nicht lesbar").arg(disk::sizeInWords(f.clusterSize)), f.fault);
    if (!f.fault.isEmpty()) return withFault(QStringLiteral("NTFS, beschädigt"), f.fault);
    if (f.kind == u"NTFS") return f.config ? QStringLiteral("NTFS mit Windows-Installation")
                                           : QStringLiteral("NTFS ohne Windows-Installation");
    if (f.kind == u"LVM")
        return QStringLiteral("LVM-Datenträger: Tessera liest keine logischen Volumes; mit \u201Esudo vgchange "
                              "-ay\u201C aktivieren und das Volume nennen");
    if (f.kind == u"LUKS")
        return QStringLiteral("mit LUKS verschlüsselt: mit \u201Esudo cryptsetup open\u201C entsperren und das "
                              "entsperrte Gerät nennen");
    return f.kind;
}

QString sourceName(const ImageName& name, int partition)
{
    return partition > 0 ? QStringLiteral("%1@%2").arg(name.image).arg(partition) : name.image;
}

// The hives of one installation, with their logs, read out of the image.
// A hive's file on the volume, open for reading; it keeps what it reads
// through (the volume, the disk) for as long as the hive lives.
struct HiveFile {
    std::shared_ptr<const disk::DiskImage> image;
    std::shared_ptr<const disk::Volume> volume;
    std::unique_ptr<disk::Volume::File> file;  // last: closed first
};

// Where an installation lies on a disk: what its hives are read through.
struct Place {
    std::shared_ptr<const disk::DiskImage> image;
    std::shared_ptr<const disk::Volume> volume;
    ImageName name;
    int partition = 0;
    QStringList chain;  // the disk's files, which must stay as they were while they are read
};

// A hive (`entries`: its folder's) with its logs, read out of the image as
// lookups reach it.
std::shared_ptr<const Hive> hiveOn(const Place& place, const std::vector<disk::Volume::Entry>& entries,
                                   const disk::Volume::Entry& hive, const QString& folder, Hive::Accept accept)
{
    const disk::Volume& volume = *place.volume;
    std::vector<std::pair<QString, std::optional<FileStamp>>> stamps;
    for (const QString& file : place.chain) stamps.emplace_back(file, stampOf(file));
    const auto unchanged = [stamps] {
        return std::all_of(stamps.begin(), stamps.end(), [](const auto& s) { return stampOf(s.first) == s.second; });
    };
    const QString prefix = sourceName(place.name, place.partition) + u':';
    const QString inside = folder + u'\\' + hive.name;
    std::vector<TransactionLog> logs;
    for (const QString& suffix : {QStringLiteral(".LOG1"), QStringLiteral(".LOG2"), QStringLiteral(".LOG")}) {
        const auto log = std::find_if(entries.begin(), entries.end(), [&](const disk::Volume::Entry& e) {
            return !e.folder && sameName(e.name, hive.name + suffix);
        });
        if (log == entries.end()) continue;
        const QString logInside = folder + u'\\' + log->name;
        QByteArray bytes = volume.read(*log, MaxHiveSize, prefix + logInside);
        if (!bytes.isEmpty()) logs.push_back(TransactionLog::ofBytes(logInside, std::move(bytes)));
    }
    Hive::ImageLocation location{place.name.image, place.partition, inside, place.chain, volume.encryption()};
    auto open = std::make_shared<HiveFile>(HiveFile{place.image, place.volume, volume.open(hive, MaxHiveSize, prefix + inside)});
    auto source = std::make_shared<HiveSource>(
        open->file->size(),
        [open](std::int64_t offset, char* out, std::int64_t length, QString& why) {
            return open->file->read(offset, out, length, why);
        },
        unchanged);
    return std::make_shared<const Hive>(prefix + inside, std::move(source), logs, location, accept);
}

// The hives of one installation, with their logs, read out of the image as lookups reach them.
std::vector<std::shared_ptr<const Hive>> hivesOf(const Place& place, const Config& config)
{
    std::vector<std::shared_ptr<const Hive>> hives;
    for (const QString& wanted : {QStringLiteral("SYSTEM"), QStringLiteral("SOFTWARE")})
        if (const disk::Volume::Entry* hive = entryNamed(config, wanted))
            hives.push_back(hiveOn(place, config.entries, *hive, config.inside, Hive::Accept::MachineHives));
    return hives;
}

// The installation's other files, found on its partition as Windows names them.
class ImageFiles final : public InstallationFiles {
public:
    ImageFiles(Place place, disk::PartitionTable table) : place_(std::move(place)), table_(std::move(table)) {}

    const disk::PartitionTable* partitionTable() const override { return &table_; }

    std::shared_ptr<const RegistrySource> hive(const QString& windowsPath) const override
    {
        const QStringList names = windowsPathNames(windowsPath);
        if (names.isEmpty()) return nullptr;
        // Down the path, each folder listed once; the names as the volume spells them.
        const auto root = place_.volume->find({});
        if (!root) return nullptr;
        std::vector<disk::Volume::Entry> entries = listed(*root);
        QStringList spelled;
        for (qsizetype i = 0; i + 1 < names.size(); ++i) {
            const auto folder = std::find_if(entries.begin(), entries.end(),
                                             [&](const disk::Volume::Entry& e) { return e.folder && sameName(e.name, names[i]); });
            if (folder == entries.end()) return nullptr;
            spelled << folder->name;
            entries = listed(*folder);
        }
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const disk::Volume::Entry& e) { return !e.folder && sameName(e.name, names.last()); });
        if (entry == entries.end()) return nullptr;
        return hiveOn(place_, entries, *entry, spelled.isEmpty() ? QString() : u'\\' + spelled.join(u'\\'),
                      Hive::Accept::Any);
    }

private:
    // A folder's entries, listed once: the users' profiles lie side by side.
    std::vector<disk::Volume::Entry> listed(const disk::Volume::Entry& folder) const
    {
        const std::lock_guard lock(mutex_);
        auto [it, added] = listings_.try_emplace(folder.address);
        if (added) it->second = place_.volume->list(folder);
        return it->second;
    }

    Place place_;
    disk::PartitionTable table_;
    mutable std::mutex mutex_;
    mutable std::map<std::uint64_t, std::vector<disk::Volume::Entry>> listings_;
};

// "Windows 11 Pro 23H2 (Build 22631)" from an installation's SOFTWARE, where it can be read.
QString windowsVersion(const std::vector<std::shared_ptr<const Hive>>& hives)
{
    for (const auto& hive : hives) {
        if (hive->kind() != Hive::Kind::Software) continue;
        const auto product = windowsProduct([&](QStringView value) {
            const auto v = findValue(*hive, kCurrentVersionKey, value);
            return v ? textOf(*v).value_or(QString()) : QString();
        });
        if (!product) break;
        return product->build.isEmpty() ? product->inWords()
                                        : QStringLiteral("%1 (Build %2)").arg(product->inWords(), product->build);
    }
    return QStringLiteral("Windows-Version nicht lesbar");
}

// A BitLocker volume that stayed locked: a question for a secret where one
// would open it, else what keeps it closed.
[[noreturn]] void bitLockerError(const ImageName& name, const Finding& f)
{
    const disk::BitLockerLock& lock = *f.lock;
    const QString volume = f.partition.number == 0
                               ? QStringLiteral("\u201E%1\u201C").arg(name.image)
                               : QStringLiteral("%1 von \u201E%2\u201C").arg(partitionName(f), name.image);
    const QString described =
        lock.description.isEmpty() ? QString() : QStringLiteral(" (\u201E%1\u201C)").arg(lock.description);
    const QString recoveryKey = QStringLiteral("den Wiederherstellungsschlüssel finden Sie unter "
                                               "account.microsoft.com/devices/recoverykey oder beim Administrator");
    using Reason = disk::BitLockerLock::Reason;
    switch (lock.reason) {
    case Reason::NeedsSecret: {
        const QString prompt =
            QStringLiteral("%1 für %2 (BitLocker%3):")
                .arg(lock.keyFileOnly ? QStringLiteral("Schlüsseldatei (.BEK)")
                                      : QStringLiteral("Kennwort oder Wiederherstellungsschlüssel"),
                     volume,
                     lock.description.isEmpty() ? QString() : QStringLiteral(", \u201E%1\u201C").arg(lock.description));
        if (lock.wrong > 0) {
            // Each key file that does not fit by its name, the typed secrets together.
            QStringList why;
            for (const QString& keyFile : lock.wrongKeyFiles)
                why << (keyFile.isEmpty()
                            ? QStringLiteral("eine Schlüsseldatei passt nicht zu diesem Volume")
                            : QStringLiteral("die Schlüsseldatei \u201E%1\u201C passt nicht zu diesem Volume").arg(keyFile));
            const int typed = lock.wrong - int(lock.wrongKeyFiles.size());
            if (typed > 0)
                why << QStringLiteral("Kennwort oder Wiederherstellungsschlüssel passt nicht%1")
                           .arg(typed > 1 ? QStringLiteral(" (%1 versucht)").arg(typed) : QString());
            throw disk::SecretNeeded(QStringLiteral("%1 ist mit BitLocker verschlüsselt%2: %3")
                                         .arg(volume, described, why.join(QStringLiteral("; "))),
                                     prompt, lock.volumeId, lock.wrong, lock.keyFileOnly);
        }
        if (lock.keyFileOnly)
            throw disk::SecretNeeded(
                QStringLiteral("%1 ist mit BitLocker verschlüsselt%2 und nur mit ihrer Schlüsseldatei (.BEK) zu öffnen. "
                               "Nennen Sie sie mit \u201E--schluessel DATEI.BEK\u201C; im Fenster wählen Sie sie mit "
                               "\u201ESchlüsseldatei wählen \u2026\u201C.")
                    .arg(volume, described),
                prompt, lock.volumeId, 0, true);
        throw disk::SecretNeeded(
            QStringLiteral("%1 ist mit BitLocker verschlüsselt%2. Nennen Sie eine Datei mit dem Kennwort oder dem "
                           "Wiederherstellungsschlüssel, oder die Schlüsseldatei (.BEK), mit \u201E--schluessel "
                           "DATEI\u201C; in einem Terminal fragt Tessera danach.%3")
                .arg(volume, described,
                     lock.tpm && lock.recoveryPassword
                         ? QStringLiteral(" Der Rechner entsperrt sie mit seinem TPM; %1.").arg(recoveryKey)
                         : QString()),
            prompt, lock.volumeId, 0);
    }
    case Reason::TpmOnly:
        throw RuntimeError(ErrorNumber::InvalidData,
                           QStringLiteral("%1 ist mit BitLocker verschlüsselt%2 und nur mit dem TPM des Rechners zu "
                                          "entsperren: %3")
                               .arg(volume, described, recoveryKey));
    case Reason::Vista:
        throw RuntimeError(ErrorNumber::InvalidData,
                           QStringLiteral("%1 ist mit der BitLocker-Version von Windows Vista verschlüsselt%2, die "
                                          "Tessera nicht öffnet: entschlüsseln Sie sie unter Windows, oder "
                                          "entsperren Sie sie mit \u201Edislocker\u201C und nennen Sie das "
                                          "entsperrte Abbild")
                               .arg(volume, described));
    case Reason::UnknownRegions:
        throw RuntimeError(ErrorNumber::InvalidData,
                           QStringLiteral("%1 ist mit BitLocker verschlüsselt%2, nur der belegte Speicherplatz, und "
                                          "die Verschlüsselung ist nicht abgeschlossen: welche Bereiche schon "
                                          "verschlüsselt sind, kann Tessera nicht erkennen. Lassen Sie Windows die "
                                          "Verschlüsselung beenden")
                               .arg(volume, described));
    case Reason::Unreadable: break;
    }
    throw RuntimeError(ErrorNumber::InvalidData,
                       QStringLiteral("%1 ist mit BitLocker verschlüsselt%2 und nicht zu öffnen: %3")
                           .arg(volume, described, lock.fault));
}

}  // namespace

namespace {

// A virtual machine's configuration file, which stands for its disks.
bool machineConfig(const QString& path)
{
    return QFileInfo(path).isFile()
           && (path.endsWith(QLatin1String(".vbox"), Qt::CaseInsensitive)
               || path.endsWith(QLatin1String(".vmx"), Qt::CaseInsensitive));
}

// What one disk holds: its partitions, their file systems and installations.
struct DiskScan {
    std::shared_ptr<disk::DiskImage> image;
    disk::PartitionTable table;
    std::vector<Finding> findings;
    std::vector<std::shared_ptr<disk::Volume>> volumes;  // after `image`, which they read
    std::vector<std::size_t> installations;              // into findings
};

DiskScan scan(const QString& disk, const disk::ChainHints& hints, int wanted)
{
    DiskScan d;
    d.image = std::make_shared<disk::DiskImage>(disk, hints);
    d.table = disk::partitionsOf(*d.image);
    for (const disk::Partition& partition : d.table.partitions) {
        // An image without a table is partition 0, and answers to @1 as well.
        if (wanted >= 0 && partition.number != wanted && !(partition.number == 0 && wanted == 1)) continue;
        auto volume = std::make_shared<disk::Volume>(*d.image, partition);
        Finding f{partition,
                  volume->kind(),
                  volume->label(),
                  {},
                  volume->clusterSize(),
                  volume->bitLocker(),
                  volume->lock() ? std::optional(*volume->lock()) : std::nullopt,
                  volume->encryption(),
                  {}};
        if (volume->ntfs()) f.config = configOf(*volume);
        if (!f.config) f.fault = volume->fault();  // the file system did not open, or a folder on the way
        if (f.config) d.installations.push_back(d.findings.size());
        d.findings.push_back(f);
        d.volumes.push_back(std::move(volume));
    }
    return d;
}

// One installation as a line of a message: "Partition 3: Beginn 1 MiB, Größe 20 MiB, …".
QString installationLine(int partition, std::int64_t start, std::int64_t size, const QString& label,
                         const QString& windows)
{
    return QStringLiteral("Partition %1: %2Größe %3, %4%5")
        .arg(partition)
        .arg(start >= 0 ? QStringLiteral("Beginn %1, ").arg(disk::sizeInWords(start)) : QString(),
             disk::sizeInWords(size),
             label.isEmpty() ? QString() : QStringLiteral("Bezeichnung \u201E%1\u201C, ").arg(label), windows);
}

// A folder's installations, each on a disk or machine of it: the question which to show.
[[noreturn]] void severalInFolder(const QString& folder, std::vector<SeveralInstallations::Installation> rows)
{
    QStringList lines;
    const std::size_t count = rows.size();  // before the rows are moved into the question
    for (const SeveralInstallations::Installation& i : rows)
        lines << QStringLiteral("  \u201E%1\u201C, %2: \u201Etessera %3\u201C")
                     .arg(i.disk, installationLine(i.partition, -1, i.size, i.label, i.windows), i.source);
    throw SeveralInstallations(QStringLiteral("%1 \u201E%2\u201C enthält %3 Windows-Installationen:\n%4\n"
                                              "Wählen Sie eine, indem Sie sie nennen.")
                                   .arg(QFileInfo(folder).isDir() ? QStringLiteral("Ordner") : QStringLiteral("Maschine"),
                                        folder)
                                   .arg(count)
                                   .arg(lines.join(u'\n')),
                               folder, std::move(rows));
}

// The messages of one disk that holds no single installation; `name.image`
// is what the user named, `shown` the disk as the messages call it.
[[noreturn]] void noSingleInstallation(const DiskScan& d, const ImageName& name, const QString& shown)
{
    if (name.partition >= 0) {
        if (d.findings.empty()) {
            QStringList numbers;
            for (const disk::Partition& p : d.table.partitions) numbers << QString::number(p.number);
            throw RuntimeError(ErrorNumber::FileNotFound,
                               QStringLiteral("\u201E%1@%2\u201C: das Abbild hat keine Partition %2 (es hat: %3)")
                                   .arg(shown)
                                   .arg(name.partition)
                                   .arg(numbers.join(QStringLiteral(", "))));
        }
        const Finding& f = d.findings.front();
        if (f.lock) bitLockerError({shown, name.partition}, f);
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("%1 von \u201E%2\u201C enthält keine Windows-Installation (%3)")
                               .arg(partitionName(f), shown, holds(f)));
    }
    if (d.installations.size() > 1) {
        QStringList lines, choices;
        std::vector<SeveralInstallations::Installation> installations;
        for (std::size_t i : d.installations) {
            const Finding& f = d.findings[i];
            QString version;
            try {
                version = windowsVersion(hivesOf({d.image, d.volumes[i], name, f.partition.number, {}}, *f.config));
            } catch (const RuntimeError&) {
                version = QStringLiteral("Windows-Version nicht lesbar");
            }
            lines << QStringLiteral("  ")
                         + installationLine(f.partition.number, f.partition.start, f.partition.size, f.label, version);
            choices << QStringLiteral("\u201Etessera %1@%2\u201C").arg(name.image).arg(f.partition.number);
            installations.push_back({f.partition.number, f.partition.size, f.label, version, {}, {}});
        }
        throw SeveralInstallations(QStringLiteral("Datenträgerabbild \u201E%1\u201C enthält %2 Windows-Installationen:\n%3\n"
                                                  "Wählen Sie eine, etwa mit %4.")
                                       .arg(shown)
                                       .arg(d.installations.size())
                                       .arg(lines.join(u'\n'), choices.join(QStringLiteral(" oder "))),
                                   name.image, std::move(installations));
    }
    for (const Finding& f : d.findings)
        if (f.lock) bitLockerError({shown, name.partition}, f);
    QStringList parts;
    for (const Finding& f : d.findings)
        parts << (f.partition.number == 0 ? QStringLiteral("Dateisystem: %1").arg(holds(f))
                                          : QStringLiteral("Partition %1: %2").arg(f.partition.number).arg(holds(f)));
    throw RuntimeError(ErrorNumber::FileNotFound,
                       QStringLiteral("Datenträgerabbild \u201E%1\u201C (%2) enthält keine Windows-Installation: %3; %4")
                           .arg(shown, d.image->format(),
                                d.table.kind.isEmpty()   ? QStringLiteral("keine Partitionstabelle")
                                : d.table.fault.isEmpty() ? QStringLiteral("%1-Partitionstabelle").arg(d.table.kind)
                                                          : QStringLiteral("%1-Partitionstabelle %2").arg(d.table.kind, d.table.fault),
                                parts.join(QStringLiteral(", "))));
}

}  // namespace

std::optional<ImageName> imageNamed(const QString& source)
{
    auto isImage = [](const QString& path) { return disk::looksLikeDiskImage(path) || machineConfig(path); };
    const qsizetype at = source.lastIndexOf(u'@');
    if (at > 0 && at + 1 < source.size()) {
        bool ok = false;
        const int partition = source.mid(at + 1).toInt(&ok);
        const QString image = source.left(at);
        if (ok && partition >= 0 && partition < 1000 && source[at + 1].isDigit()
            && (isImage(image) || QFileInfo(image).isDir()))
            return ImageName{image, partition};
    }
    if (isImage(source)) return ImageName{source, -1};
    return std::nullopt;
}

ImageInstallation::ImageInstallation(const ImageName& name) : name_(name)
{
    std::optional<disk::VirtualMachine> vm;
    if (!disk::looksLikeDiskImage(name.image)) vm = disk::virtualMachineAt(name.image);
    if (!vm && QFileInfo(name.image).isDir()) {
        const QStringList machines = name.partition < 0 ? disk::machinesIn(name.image) : QStringList();
        if (machines.isEmpty()) folderHoldsNothing(name.image);
        openFolderOfMachines(machines);
        return;
    }
    const QStringList disks = vm ? vm->disks : QStringList{name.image};
    const disk::ChainHints hints = vm ? vm->hints : disk::ChainHints{};
    auto shownAs = [&](const QString& disk) {
        return vm ? QDir(QFileInfo(vm->config).isDir() ? vm->config : QFileInfo(vm->config).absolutePath())
                        .relativeFilePath(disk)
                  : disk;
    };
    auto inMachine = [&](const RuntimeError& error) {
        return vm ? RuntimeError(error.number(), QStringLiteral("%1-Maschine \u201E%2\u201C: %3")
                                                     .arg(vm->kind, name.image, error.description()))
                  : error;
    };
    // Every disk is looked at; one that cannot be read matters only when no disk shows Windows.
    std::vector<std::optional<DiskScan>> scans;
    std::vector<std::size_t> withWindows;
    std::exception_ptr firstFault;
    for (const QString& disk : disks) {
        try {
            scans.emplace_back(scan(disk, hints, name.partition));
            if (!scans.back()->installations.empty()) withWindows.push_back(scans.size() - 1);
        } catch (const RuntimeError&) {
            if (!firstFault) firstFault = std::current_exception();
            scans.emplace_back();
        }
    }
    if (withWindows.empty() && firstFault) {
        try {
            std::rethrow_exception(firstFault);
        } catch (const disk::Question&) {
            throw;  // names the disk and what it needs, for the user to answer
        } catch (const disk::WrongParent& error) {
            throw disk::WrongParent(inMachine(error).description(), error.parent());
        } catch (const RuntimeError& error) {
            throw inMachine(error);
        }
    }
    if (withWindows.size() > 1) {
        // Each disk's installations, as the list that a dual-boot disk gets; a disk is named by its file.
        std::vector<SeveralInstallations::Installation> rows;
        for (std::size_t i : withWindows) {
            const DiskScan& d = *scans[i];
            const QString file = disks[qsizetype(i)];
            for (std::size_t at : d.installations) {
                const Finding& f = d.findings[at];
                QString version;
                try {
                    version = windowsVersion(
                        hivesOf({d.image, d.volumes[at], {file, f.partition.number}, f.partition.number, {}}, *f.config));
                } catch (const RuntimeError&) {
                    version = QStringLiteral("Windows-Version nicht lesbar");
                }
                const bool several = d.installations.size() > 1;
                rows.push_back({f.partition.number, f.partition.size, f.label, version, shownAs(file),
                                several ? sourceName({file, -1}, f.partition.number) : file});
            }
        }
        severalInFolder(name.image, std::move(rows));
    }
    // Without Windows in sight, a disk with a locked BitLocker volume is the one to ask about.
    std::size_t chosen = withWindows.empty() ? 0 : withWindows.front();
    if (withWindows.empty())
        for (std::size_t i = 0; i < scans.size(); ++i)
            if (scans[i] && std::any_of(scans[i]->findings.begin(), scans[i]->findings.end(),
                                        [](const Finding& f) { return f.lock.has_value(); })) {
                chosen = i;
                break;
            }
    DiskScan& d = *scans[chosen];
    const QString shown = vm ? shownAs(disks[qsizetype(chosen)]) : name.image;
    if (d.installations.size() != 1) {
        try {
            noSingleInstallation(d, name, shown);
        } catch (const SeveralInstallations& question) {
            throw SeveralInstallations(inMachine(question).description(), question.source(),
                                       question.installations());
        } catch (const disk::SecretNeeded&) {
            throw;  // a question to the user, as it is
        } catch (const RuntimeError& error) {
            throw inMachine(error);
        }
    }
    const Finding& f = d.findings[d.installations.front()];
    partition_ = f.partition.number;
    size_ = f.partition.size;
    label_ = f.label;
    QStringList chain;  // absolute, as parents are found
    for (const QString& file : d.image->files()) chain << QFileInfo(file).absoluteFilePath();
    const Place place{d.image, d.volumes[d.installations.front()], name, partition_, chain};
    hives_ = hivesOf(place, *f.config);
    files_ = std::make_shared<const ImageFiles>(place, d.table);
    stamps_.emplace_back(name.image, stampOf(name.image));
    for (const QString& file : chain) stamps_.emplace_back(file, stampOf(file));
}

void ImageInstallation::openFolderOfMachines(const QStringList& machines)
{
    // Each machine in the folder, as if named alone; those that do not open
    // matter only when none shows Windows.
    std::vector<SeveralInstallations::Installation> rows;
    std::shared_ptr<const ImageInstallation> single;
    std::exception_ptr firstFault;
    const QDir folder(name_.image);
    for (const QString& machine : machines) {
        const QString shown = folder.relativeFilePath(machine);
        try {
            // Made here, not through the cache, which is busy making the folder.
            auto opened = std::make_shared<const ImageInstallation>(ImageName{machine, -1});
            rows.push_back({opened->partition(), opened->size(), opened->label(), windowsVersion(opened->hives()), shown,
                            machine});
            single = std::move(opened);
        } catch (const SeveralInstallations& several) {
            for (std::size_t i = 0; i < several.installations().size(); ++i) {
                SeveralInstallations::Installation row = several.installations()[i];
                row.source = several.sourceFor(i);
                row.disk = row.disk.isEmpty() ? shown : shown + u'/' + row.disk;
                rows.push_back(row);
            }
        } catch (const RuntimeError&) {
            if (!firstFault) firstFault = std::current_exception();
        }
    }
    if (rows.empty() && firstFault) std::rethrow_exception(firstFault);
    if (rows.empty()) folderHoldsNothing(name_.image);
    if (rows.size() > 1) severalInFolder(name_.image, std::move(rows));
    partition_ = single->partition_;
    size_ = single->size_;
    label_ = single->label_;
    hives_ = single->hives_;
    files_ = single->files_;
    stamps_ = single->stamps_;
    stamps_.emplace_back(name_.image, stampOf(name_.image));
}

bool ImageInstallation::unchanged() const
{
    return std::all_of(stamps_.begin(), stamps_.end(), [](const auto& s) { return stampOf(s.first) == s.second; });
}

std::shared_ptr<const ImageInstallation> cachedImageInstallation(const ImageName& name)
{
    static FileCache<ImageInstallation> cache;
    return cache.get(
        sourceName(name, name.partition), [&](const QString&) { return std::make_shared<const ImageInstallation>(name); },
        [](const ImageInstallation& made) { return made.unchanged(); }, name.image);
}

}  // namespace registry
