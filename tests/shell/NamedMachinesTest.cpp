#include "RegistryFile.h"
#include "shell/NamedMachines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using shell::eachMachineIn;
using shell::machinesNamed;

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

}  // namespace

// Hives and exports named together are the parts of one machine, standing
// where the first was named; every disk, folder or anything else is its own.
// Two disks are never merged into one machine.
TEST(NamedMachines, PartsGoTogetherEverythingElseStandsAlone)
{
    const QString config = fixture(QStringLiteral("hives/win10/Windows/System32/config/"));
    const RegistryFile export_(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n"));
    const QString a = image("mbr-win2000.raw"), b = image("win10.qcow2"), missing = QStringLiteral("/nicht/da.raw");
    const QString system = config + QStringLiteral("SYSTEM"), software = config + QStringLiteral("SOFTWARE");
    const std::vector<QStringList> expected = {
        {a}, {system, software, export_.path()}, {b}, {missing}, {image("win10.qcow2@3")},
        {fixture(QStringLiteral("hives/win10"))},
    };
    EXPECT_EQ(machinesNamed({a, system, b, software, missing, image("win10.qcow2@3"), export_.path(),
                             fixture(QStringLiteral("hives/win10"))}),
              expected);
    EXPECT_EQ(machinesNamed({system, software}), (std::vector<QStringList>{{system, software}}));
    EXPECT_TRUE(machinesNamed({}).empty());
}

// For an inventory of many, a folder of machines or of disks stands for each;
// a machine's own folder, an installation and a file stand for themselves.
TEST(NamedMachines, AFolderOfMachinesStandsForEach)
{
    QTemporaryDir disks;
    for (const char* name : {"a.raw", "b.raw"})
        ASSERT_TRUE(QFile::copy(image("small.raw"), disks.filePath(QLatin1String(name))));
    EXPECT_EQ(eachMachineIn(disks.path()), (QStringList{disks.filePath(QStringLiteral("a.raw")),
                                                        disks.filePath(QStringLiteral("b.raw"))}));
    const QString vms = image("vms");
    EXPECT_EQ(eachMachineIn(vms + QStringLiteral("/VirtualBox VMs")),
              QStringList{vms + QStringLiteral("/VirtualBox VMs/Win10")});
    EXPECT_EQ(eachMachineIn(vms + QStringLiteral("/VirtualBox VMs/Win10")),
              QStringList{vms + QStringLiteral("/VirtualBox VMs/Win10")});
    EXPECT_EQ(eachMachineIn(fixture(QStringLiteral("hives/win10"))), QStringList{fixture(QStringLiteral("hives/win10"))});
    EXPECT_EQ(eachMachineIn(image("win10.qcow2")), QStringList{image("win10.qcow2")});
    QTemporaryDir empty;
    EXPECT_EQ(eachMachineIn(empty.path()), QStringList{empty.path()});  // told when it is opened
}
