#include "machine/MachineFacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QStringTokenizer>

#include <cmath>
#include <limits>

namespace machine {

using registry::RegKey;
using registry::RegistryTree;
using registry::dwordValue;
using registry::textValue;

namespace {

QString g_machineRoot = QStringLiteral("/");

QString readMachineFile(const QString& path)
{
    const QString local = QDir(machineRoot()).filePath(path.mid(1));
    // The files under /proc and /sys are plain files; anything else (a FIFO, a
    // device) could block the read, so the machine does not tell that fact.
    if (!QFileInfo(local).isFile()) return {};
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly)) return {};
    // Device-tree strings end in NUL.
    QByteArray bytes = file.read(64 * 1024);
    while (bytes.endsWith('\0')) bytes.chop(1);
    return QString::fromUtf8(bytes).trimmed();
}

// The fields of the first processor block of /proc/cpuinfo, plus the count of blocks.
struct CpuInfo {
    QMap<QString, QString> fields;
    int processors = 0;

    QString operator[](const char* key) const { return fields.value(QString::fromLatin1(key)); }
    bool has(const char* key) const { return fields.contains(QString::fromLatin1(key)); }
};

CpuInfo parseCpuInfo(const QString& text)
{
    CpuInfo info;
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) continue;
        const QString key = line.left(colon).trimmed().toString();
        if (key == u"processor") ++info.processors;
        // Fields of later processors do not replace the first one's.
        if (!info.fields.contains(key)) info.fields.insert(key, line.mid(colon + 1).trimmed().toString());
    }
    return info;
}

int parseNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    return ok ? value : -1;
}

bool isX86(const CpuInfo& cpu) { return cpu.has("vendor_id"); }
bool isArm(const CpuInfo& cpu) { return cpu.has("CPU implementer"); }

QString armImplementer(const CpuInfo& cpu)
{
    switch (parseNumber(cpu["CPU implementer"])) {
    case 0x41: return QStringLiteral("ARM Limited");
    case 0x42: return QStringLiteral("Broadcom Corporation");
    case 0x4e: return QStringLiteral("NVIDIA Corporation");
    case 0x51: return QStringLiteral("Qualcomm Technologies Inc");
    case 0x61: return QStringLiteral("Apple Inc.");
    default: return cpu["CPU implementer"];
    }
}

QString architecture(const CpuInfo& cpu)
{
    if (isX86(cpu)) {
        const QStringList flags = cpu["flags"].split(u' ', Qt::SkipEmptyParts);
        return flags.contains(QStringLiteral("lm")) ? QStringLiteral("AMD64") : QStringLiteral("x86");
    }
    if (isArm(cpu)) return parseNumber(cpu["CPU architecture"]) >= 8 ? QStringLiteral("ARM64")
                                                                     : QStringLiteral("ARM");
    return {};
}

QString hex4(int high, int low)
{
    return QStringLiteral("%1%2").arg(high & 0xff, 2, 16, QChar(u'0')).arg(low & 0xff, 2, 16, QChar(u'0'));
}

int onlineProcessors(const CpuInfo& cpu, const QString& online)
{
    // 64 bits, so that ranges past the int range cannot overflow; such a file is
    // not believed and the cpuinfo count stands.
    qint64 count = 0;
    for (const QString& range : online.split(u',', Qt::SkipEmptyParts)) {
        const QStringList ends = range.split(u'-');
        const int first = parseNumber(ends.first());
        const int last = parseNumber(ends.last());
        if (first < 0 || last < first || ends.size() > 2) return cpu.processors;
        count += qint64(last) - first + 1;
        if (count > std::numeric_limits<int>::max()) return cpu.processors;
    }
    return count > 0 ? int(count) : cpu.processors;
}

std::optional<QString> processorVariable(const QString& name, const MachineTexts& texts)
{
    const CpuInfo cpu = parseCpuInfo(texts.cpuinfo);
    if (name == u"NUMBER_OF_PROCESSORS") {
        const int count = onlineProcessors(cpu, texts.online);
        return count > 0 ? std::optional(QString::number(count)) : std::nullopt;
    }
    const QString arch = architecture(cpu);
    if (arch.isEmpty()) return std::nullopt;
    if (name == u"PROCESSOR_ARCHITECTURE") return arch;
    if (isX86(cpu)) {
        const int family = parseNumber(cpu["cpu family"]);
        const int model = parseNumber(cpu["model"]);
        const int stepping = parseNumber(cpu["stepping"]);
        if (family < 0 || model < 0 || stepping < 0) return std::nullopt;
        if (name == u"PROCESSOR_LEVEL") return QString::number(family);
        if (name == u"PROCESSOR_REVISION") return hex4(model, stepping);
        const QString vendor = cpu["vendor_id"];
        const QString prefix = arch == u"x86" ? QStringLiteral("x86")
                               : vendor == u"GenuineIntel" ? QStringLiteral("Intel64")
                                                           : QStringLiteral("AMD64");
        return QStringLiteral("%1 Family %2 Model %3 Stepping %4, %5")
            .arg(prefix).arg(family).arg(model).arg(stepping).arg(vendor);
    }
    const int level = parseNumber(cpu["CPU architecture"]);
    const int part = parseNumber(cpu["CPU part"]);
    const int variant = parseNumber(cpu["CPU variant"]);
    const int revision = parseNumber(cpu["CPU revision"]);
    if (name == u"PROCESSOR_LEVEL") return QString::number(level);
    if (part < 0 || variant < 0 || revision < 0) return std::nullopt;
    if (name == u"PROCESSOR_REVISION") return hex4(variant, revision);
    return QStringLiteral("ARMv%1 (%2-bit) Family %1 Model %3 Revision %4, %5")
        .arg(level).arg(arch == u"ARM64" ? 64 : 32).arg(QString::number(part, 16).toUpper())
        .arg(QString::number(revision, 16).toUpper()).arg(armImplementer(cpu));
}

void putText(RegKey& key, const QString& name, const QString& text)
{
    if (!text.isEmpty()) key.setValue(name, textValue(text));
}

std::optional<int> ratedMhz(const CpuInfo& cpu, const MachineTexts& texts)
{
    for (const QString& khz : {texts.baseFrequency, texts.maxFrequency}) {
        bool ok = false;
        const double value = khz.toDouble(&ok);
        if (ok && value > 0) return int(std::lround(value / 1000.0));
    }
    bool ok = false;
    const double mhz = cpu["cpu MHz"].toDouble(&ok);
    if (ok && mhz > 0) return int(std::lround(mhz));
    return std::nullopt;
}

}  // namespace

void setMachineRoot(const QString& root) { g_machineRoot = root; }

QString machineRoot() { return g_machineRoot; }

MachineTexts readMachineTexts()
{
    MachineTexts texts;
    texts.cpuinfo = readMachineFile(QStringLiteral("/proc/cpuinfo"));
    texts.online = readMachineFile(QStringLiteral("/sys/devices/system/cpu/online"));
    texts.baseFrequency = readMachineFile(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/base_frequency"));
    texts.maxFrequency = readMachineFile(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"));
    for (const char* path : {"/proc/device-tree/model", "/sys/firmware/devicetree/base/model",
                             "/sys/class/dmi/id/product_name"}) {
        texts.model = readMachineFile(QLatin1String(path));
        if (!texts.model.isEmpty()) break;
    }
    texts.biosDate = readMachineFile(QStringLiteral("/sys/class/dmi/id/bios_date"));
    texts.biosVersion = readMachineFile(QStringLiteral("/sys/class/dmi/id/bios_version"));
    texts.ostype = readMachineFile(QStringLiteral("/proc/sys/kernel/ostype"));
    return texts;
}

const MachineTexts& MachineSnapshot::texts() const
{
    std::call_once(read_, [this] { texts_ = readMachineTexts(); });
    return texts_;
}

std::optional<QString> derivedVariable(const QString& name, const MachineTexts& texts)
{
    if (name == u"OS") {
        const QString os = texts.ostype;
        return os.isEmpty() ? std::nullopt : std::optional(os);
    }
    if (name == u"COMSPEC") {
        const QString shell = qEnvironmentVariable("SHELL");
        return shell.isEmpty() ? QStringLiteral("/bin/sh") : shell;
    }
    if (name == u"TEMP") {
        const QString tmp = qEnvironmentVariable("TMPDIR");
        return tmp.isEmpty() ? QStringLiteral("/tmp") : tmp;
    }
    if (name == u"NUMBER_OF_PROCESSORS" || name.startsWith(u"PROCESSOR_")) return processorVariable(name, texts);
    return std::nullopt;
}

RegistryTree hardwareView(const MachineTexts& texts)
{
    RegistryTree tree;
    const CpuInfo cpu = parseCpuInfo(texts.cpuinfo);
    RegKey& system = tree.root().ensureChild(QStringLiteral("HARDWARE"))
                         .ensureChild(QStringLiteral("DESCRIPTION"))
                         .ensureChild(QStringLiteral("System"));
    if (isX86(cpu) || isArm(cpu)) {
        RegKey& cpu0 = system.ensureChild(QStringLiteral("CentralProcessor")).ensureChild(QStringLiteral("0"));
        if (const auto mhz = ratedMhz(cpu, texts)) {
            cpu0.setValue(QStringLiteral("~MHz"), dwordValue(std::uint32_t(*mhz)));
        }
        putText(cpu0, QStringLiteral("VendorIdentifier"), isX86(cpu) ? cpu["vendor_id"] : armImplementer(cpu));
        putText(cpu0, QStringLiteral("ProcessorNameString"), cpu["model name"]);
    }
    QString identifier;
    if (isX86(cpu)) {
        identifier = QStringLiteral("AT/AT COMPATIBLE");
    } else {
        identifier = texts.model;
    }
    putText(system, QStringLiteral("Identifier"), identifier);
    putText(system, QStringLiteral("SystemBiosDate"), texts.biosDate);
    putText(system, QStringLiteral("SystemBiosVersion"), texts.biosVersion);
    return tree;
}

}  // namespace machine
