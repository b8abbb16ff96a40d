#include "app/MachineList.h"

#include "app/ShownSources.h"
#include "shell/NamedMachines.h"

namespace {

std::vector<NamedMachine> machines(bool eachInFolders)
{
    const std::optional<QStringList> named = namedSources();
    if (!named || named->isEmpty()) return {{named, QString()}};
    std::vector<NamedMachine> list;
    for (const QStringList& sources : shell::machinesNamed(*named)) {
        if (sources.size() == 1 && eachInFolders) {
            for (const QString& machine : shell::eachMachineIn(sources.front())) list.push_back({QStringList{machine}, machine});
            continue;
        }
        list.push_back({sources, sources.join(u':')});
    }
    return list;
}

}  // namespace

std::vector<NamedMachine> machinesToShow()
{
    return machines(false);
}

std::vector<NamedMachine> machinesToList()
{
    return machines(true);
}
