// Any bytes, opened as a disk image through the program's own code: its
// container (with a parent, see below), its partition table, its file
// systems, the installation's hives and logs, every path the pages read and
// the machine's inventory (its SAM and users' hives where the image holds them).
// Either a RuntimeError or answers, nothing else. The Sleuth Kit, libqcow,
// libvhdi and libvmdk parse the untrusted bytes in C; what they hand back is
// checked again, and VDI and VHDX tables are parsed here.
//
// An input that begins with "TSCH" and a 32-bit length holds two files: a
// differencing image of that length and its parent, the rest. Both are
// written into a private folder, named for their formats ("base.qcow2",
// "base.vdi", ...), where the child looks for its parent by the name it
// stores or, for VDI, by its UUID.
#include "ReadEach.h"
#include "inventory/Inventory.h"
#include "machine/MachineFacts.h"
#include "runtime/RuntimeError.h"
#include "shell/Machine.h"
#include "shell/WshShell.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const char* const kPaths[] = {
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\LargeSystemCache",
    "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\{62D35A12-E42B-11D1-B073-00608CCBD2F1}\\Name",
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuildNumber",
    "HKLM\\Hardware\\Description\\System\\SystemBiosDate",
};

// The name a file of these bytes has beside its child.
QString nameFor(const QByteArray& bytes, const char* stem)
{
    auto starts = [&](qsizetype at, const char* s, qsizetype n) {
        return bytes.size() >= at + n && std::memcmp(bytes.constData() + at, s, std::size_t(n)) == 0;
    };
    const char* suffix = ".img";
    if (starts(0, "QFI\xFB", 4)) suffix = ".qcow2";
    else if (starts(0, "vhdxfile", 8)) suffix = ".vhdx";
    else if (starts(0, "conectix", 8)) suffix = ".vhd";
    else if (starts(0, "KDMV", 4) || starts(0, "# Disk", 6)) suffix = ".vmdk";
    else if (starts(64, "\x7F\x10\xDA\xBE", 4)) suffix = ".vdi";
    return QLatin1String(stem) + QLatin1String(suffix);
}

QString write(const QDir& dir, const QByteArray& bytes, const char* stem)
{
    QFile file(dir.filePath(nameFor(bytes, stem)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) return {};
    return file.fileName();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    if (!folder.isValid()) return 0;
    QDir dir(folder.path());
    for (const QString& old : dir.entryList(QDir::Files)) dir.remove(old);
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString top;
    if (input.startsWith("TSCH") && input.size() >= 8) {
        std::uint32_t length = 0;
        std::memcpy(&length, input.constData() + 4, 4);
        const QByteArray child = input.mid(8, qsizetype(std::min<std::uint64_t>(length, std::uint64_t(input.size() - 8))));
        write(dir, input.mid(8 + child.size()), "base");
        top = write(dir, child, "top");
    } else {
        top = write(dir, input, "disk");
    }
    if (top.isNull()) return 0;
    for (const QString& name : {top, top + QStringLiteral("@1")}) {
        try {
            const auto machine = shell::Machine::open(QStringList{name}, shell::Machine::Reuse::Fresh);
            readEach(shell::WshShell(machine), kPaths);
            inventory::readInventory(*machine);
        } catch (const runtime::RuntimeError&) {
        }
    }
    return 0;
}
