#include "disk/machines/VirtualMachine.h"

#include "disk/containers/DiskImage.h"
#include "disk/FileBytes.h"
#include "disk/containers/ImageFormat.h"
#include "disk/containers/ParentChain.h"
#include "runtime/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace disk {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

constexpr qint64 MaxConfigSize = 16 << 20;

[[noreturn]] void configFault(const QString& kind, const QString& path, const QString& what,
                              std::int32_t number = ErrorNumber::InvalidData)
{
    throw RuntimeError(number, QStringLiteral("%1-Maschine \u201E%2\u201C %3").arg(kind, path, what));
}

QByteArray readConfig(const QString& kind, const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        configFault(kind, path, QStringLiteral("ist nicht lesbar"), ErrorNumber::FileNotFound);
    if (file.size() > MaxConfigSize)
        configFault(kind, path, QStringLiteral("ist größer als 16 MiB und keine Konfigurationsdatei"));
    return file.readAll();
}

// A path as a configuration stores it: relative to its folder, absolute, or
// a Windows path, which is looked for by its last name beside it.
QString resolved(const QString& config, const QString& stored)
{
    const QStringList candidates = parentCandidates(config, {stored});
    for (const QString& candidate : candidates)
        if (QFileInfo::exists(candidate)) return candidate;
    return candidates.value(0, stored);
}

bool hasSuffix(const QString& name, std::initializer_list<const char*> suffixes)
{
    for (const char* suffix : suffixes)
        if (name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) return true;
    return false;
}

// VirtualBox: <MediaRegistry><HardDisks><HardDisk uuid location> (a
// snapshot's differencing image nested in its parent's) and the machine's
// <StorageController>s with their <AttachedDevice type="HardDisk"><Image uuid>;
// the same elements inside a <Snapshot> are the state at that snapshot.
VirtualMachine readVbox(const QString& path)
{
    const QString kind = QStringLiteral("VirtualBox");
    QXmlStreamReader xml(readConfig(kind, path));
    QHash<QString, QString> locations;  // UUID -> file
    struct Attached {
        int controller, port, device;
        QString uuid;
    };
    std::vector<Attached> attached;
    int snapshotDepth = 0, controller = -1;
    bool inAttachedDisk = false;
    Attached current{};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            const auto attributes = xml.attributes();
            if (name == u"Snapshot") ++snapshotDepth;
            else if (name == u"HardDisk") {
                const auto uuid = uuidFromText(attributes.value(QLatin1String("uuid")));
                const QString location = attributes.value(QLatin1String("location")).toString();
                if (uuid && !location.isEmpty()) locations.insert(*uuid, resolved(path, location));
            } else if (snapshotDepth == 0 && name == u"StorageController") {
                ++controller;
            } else if (snapshotDepth == 0 && name == u"AttachedDevice") {
                inAttachedDisk = attributes.value(QLatin1String("type")) == u"HardDisk";
                current = {controller, attributes.value(QLatin1String("port")).toInt(), attributes.value(QLatin1String("device")).toInt(), {}};
            } else if (snapshotDepth == 0 && inAttachedDisk && name == u"Image") {
                if (const auto uuid = uuidFromText(attributes.value(QLatin1String("uuid")))) {
                    current.uuid = *uuid;
                    attached.push_back(current);
                }
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == u"Snapshot") --snapshotDepth;
            else if (xml.name() == u"AttachedDevice") inAttachedDisk = false;
        }
    }
    if (xml.hasError())
        configFault(kind, path, QStringLiteral("ist beschädigt: Zeile %1 ist kein gültiges XML").arg(xml.lineNumber())
                                    + runtime::libraryWords(xml.errorString()));
    std::stable_sort(attached.begin(), attached.end(), [](const Attached& a, const Attached& b) {
        return std::tie(a.controller, a.port, a.device) < std::tie(b.controller, b.port, b.device);
    });
    VirtualMachine vm{kind, path, {}, {}};
    for (const Attached& disk : attached) {
        const auto location = locations.constFind(disk.uuid);
        if (location == locations.cend())
            configFault(kind, path,
                        QStringLiteral("nennt die Festplatte {%1}, die nicht in ihrem Medienverzeichnis steht; nennen "
                                       "Sie die Datei der Festplatte selbst")
                            .arg(disk.uuid));
        if (!vm.disks.contains(*location)) vm.disks << *location;
    }
    vm.hints.knownImages = locations.values();
    vm.hints.knownImages.sort();
    if (vm.disks.isEmpty()) configFault(kind, path, QStringLiteral("hat keine Festplatte"), ErrorNumber::FileNotFound);
    return vm;
}

// VMware: lines "scsi0:0.fileName = "Windows 10-000002.vmdk"", a disk's file
// naming its newest snapshot; devices that are not present, or CD and DVD
// drives, do not count.
VirtualMachine readVmx(const QString& path)
{
    const QString kind = QStringLiteral("VMware");
    static const QRegularExpression line(
        QStringLiteral("^\\s*((nvme|scsi|sata|ide)(\\d+):(\\d+))\\.(\\w+)\\s*=\\s*\"([^\"]*)\"\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    struct Device {
        QString file, type;
        bool present = true;
    };
    std::map<std::tuple<int, int, int>, Device> devices;  // by bus (NVMe, SCSI, SATA, IDE), controller, unit
    for (const QByteArray& raw : readConfig(kind, path).split('\n')) {
        const auto m = line.match(QString::fromUtf8(raw).trimmed());
        if (!m.hasMatch()) continue;
        const QString bus = m.captured(2).toLower();
        const int order = bus == u"nvme" ? 0 : bus == u"scsi" ? 1 : bus == u"sata" ? 2 : 3;
        Device& device = devices[{order, m.captured(3).toInt(), m.captured(4).toInt()}];
        const QString key = m.captured(5).toLower(), value = m.captured(6);
        if (key == u"filename") device.file = value;
        else if (key == u"devicetype") device.type = value.toLower();
        else if (key == u"present") device.present = value.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
    }
    VirtualMachine vm{kind, path, {}, {}};
    for (const auto& [slot, device] : devices) {
        if (!device.present || device.file.isEmpty() || device.type.contains(u"cdrom") || !hasSuffix(device.file, {".vmdk"}))
            continue;
        const QString file = resolved(path, device.file);
        if (!vm.disks.contains(file)) vm.disks << file;
    }
    if (vm.disks.isEmpty()) configFault(kind, path, QStringLiteral("hat keine Festplatte"), ErrorNumber::FileNotFound);
    return vm;
}

// The names a hypervisor gives its disks.
// Virtual machines' disks, and the images forensic and backup tools write (the
// first piece of a split one; its other pieces are read through it).
const std::initializer_list<const char*> kDiskSuffixes = {".vhd", ".vhdx", ".avhd", ".avhdx", ".vmdk", ".vdi", ".qcow2",
                                                          ".qcow", ".raw", ".img", ".dd", ".001", ".e01"};

// The disks of a folder: each chain's top, which no other disk there names.
std::optional<VirtualMachine> readDiskFolder(const QString& folder, const QString& kind)
{
    QStringList candidates;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        if (hasSuffix(entry.fileName(), kDiskSuffixes)
            && imageFormatOf(entry.filePath()) != ImageFormat::None)
            candidates << entry.filePath();
    if (candidates.isEmpty()) return std::nullopt;
    std::set<QString> beneath;  // parents and extents of another disk: no top of their own
    for (const QString& candidate : candidates) {
        try {
            const DiskImage image(candidate);
            const QStringList files = image.files();
            for (qsizetype i = 1; i < files.size(); ++i) beneath.insert(QFileInfo(files[i]).canonicalFilePath());
        } catch (const RuntimeError&) {
            // A disk that does not open (a missing parent, an extent alone)
            // stays a candidate; opened as the machine's disk it says why.
        }
    }
    VirtualMachine vm{kind, folder, {}, {}};
    for (const QString& candidate : candidates)
        if (!beneath.count(QFileInfo(candidate).canonicalFilePath())) vm.disks << candidate;
    if (vm.disks.isEmpty()) return std::nullopt;
    return vm;
}

QStringList filesEndingIn(const QString& folder, const char* suffix)
{
    QStringList files;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        if (entry.fileName().endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) files << entry.filePath();
    return files;
}

}  // namespace

std::optional<VirtualMachine> virtualMachineAt(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile()) {
        if (hasSuffix(path, {".vbox"})) return readVbox(path);
        if (hasSuffix(path, {".vmx"})) return readVmx(path);
        return std::nullopt;
    }
    if (!info.isDir()) return std::nullopt;
    for (const auto& [suffix, kind] : {std::pair{".vbox", "VirtualBox"}, std::pair{".vmx", "VMware"}}) {
        const QStringList configs = filesEndingIn(path, suffix);
        if (configs.size() == 1) return suffix == std::string_view(".vbox") ? readVbox(configs.front()) : readVmx(configs.front());
        if (configs.size() > 1) return std::nullopt;  // several machines: machinesIn
    }
    for (const QFileInfo& sub : QDir(path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (sub.fileName().compare(QLatin1String("Virtual Hard Disks"), Qt::CaseInsensitive) == 0)
            if (auto vm = readDiskFolder(sub.filePath(), QStringLiteral("Hyper-V"))) return vm;
    const bool hyperV = info.fileName().compare(QLatin1String("Virtual Hard Disks"), Qt::CaseInsensitive) == 0;
    return readDiskFolder(path, hyperV ? QStringLiteral("Hyper-V") : QStringLiteral("Ordner"));
}

QStringList machinesIn(const QString& folder)
{
    QStringList machines;
    for (const char* suffix : {".vbox", ".vmx"}) machines << filesEndingIn(folder, suffix);
    if (machines.size() > 1) return machines;
    machines.clear();
    for (const QFileInfo& sub : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = sub.filePath();
        bool machine = !filesEndingIn(path, ".vbox").isEmpty() || !filesEndingIn(path, ".vmx").isEmpty()
                       || QDir(path).exists(QStringLiteral("Virtual Hard Disks"));
        for (const QFileInfo& entry : QDir(path).entryInfoList(QDir::Files))
            machine = machine || (hasSuffix(entry.fileName(), kDiskSuffixes) && imageFormatOf(entry.filePath()) != ImageFormat::None);
        if (machine) machines << path;
    }
    return machines;
}

}  // namespace disk
