#include "shell/NamedMachines.h"

#include "disk/machines/VirtualMachine.h"
#include "registry/SourceFolder.h"
#include "registry/hive/Hive.h"
#include "registry/text/RegistryText.h"
#include "runtime/RuntimeError.h"

#include <QFileInfo>

namespace shell {

namespace {

// Whether a source is a part of a machine: a hive or a registry text.
bool isPart(const QString& source)
{
    return QFileInfo(source).isFile()
           && (registry::looksLikeHive(source) || registry::beginsLikeRegistryText(source));
}

}  // namespace

std::vector<QStringList> machinesNamed(const QStringList& sources)
{
    std::vector<QStringList> machines;
    std::size_t parts = SIZE_MAX;  // the machine of the parts, once one is named
    for (const QString& source : sources) {
        if (!isPart(source)) {
            machines.push_back({source});
        } else if (parts == SIZE_MAX) {
            parts = machines.size();
            machines.push_back({source});
        } else {
            machines[parts] << source;
        }
    }
    return machines;
}

QStringList eachMachineIn(const QString& source)
{
    if (!QFileInfo(source).isDir()) return {source};
    try {
        registry::registryFilesIn(source);
        return {source};  // an installation or a Wine prefix
    } catch (const runtime::RuntimeError&) {
        // no registry of its own: perhaps machines
    }
    try {
        if (const auto vm = disk::virtualMachineAt(source)) {
            // A folder of disks is no machine of several disks, but one machine per disk.
            if (vm->kind == QLatin1String("Ordner") && vm->disks.size() > 1) return vm->disks;
            return {source};  // a virtual machine's own folder
        }
    } catch (const runtime::RuntimeError&) {
        return {source};  // told when the folder is opened
    }
    if (const QStringList machines = disk::machinesIn(source); !machines.isEmpty()) return machines;
    return {source};
}

}  // namespace shell
