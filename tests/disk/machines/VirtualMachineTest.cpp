// Virtual machines named by their configuration or their folder stand for
// their disks in the current state: VirtualBox (a snapshot's differencing
// image, a second disk without Windows, a DVD), VMware (the newest delta),
// Hyper-V (the checkpoint no other disk names), and configurations that
// cannot be read.
#include "ErrorOf.h"
#include "disk/machines/VirtualMachine.h"
#include "registry/ImageSource.h"
#include "registry/text/RegistrySource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace registry;

namespace {

QString vms(const QString& name) { return QFileInfo(QStringLiteral(TESSERA_IMAGES "/vms/") + name).absoluteFilePath(); }

const QString kVbox = QStringLiteral("VirtualBox VMs/Win10");
const QString kSnapshot = QStringLiteral("{0c7d9e42-8a1b-4c5d-b6e7-f8091a2b3c4d}.vdi");

// The machine shown is the top of the chain: Windows 10 with its logs.
void expectTopMachine(const QString& named, const QStringList& chain)
{
    SCOPED_TRACE(named.toStdString());
    const ImageInstallation found(ImageName{named, -1});
    ASSERT_EQ(found.hives().size(), 2u);
    EXPECT_EQ(found.partition(), 3);
    EXPECT_EQ(found.hives()[0]->replay().sequence, 11u);
    EXPECT_EQ(found.hives()[0]->imageLocation()->image, named);
    EXPECT_EQ(found.hives()[0]->imageLocation()->chain, chain);
}

}  // namespace

TEST(VirtualMachine, VirtualBoxStandsForItsCurrentSnapshot)
{
    const auto vm = disk::virtualMachineAt(vms(kVbox + QStringLiteral("/Win10.vbox")));
    ASSERT_TRUE(vm);
    EXPECT_EQ(vm->kind, QStringLiteral("VirtualBox"));
    // The SATA controller's port 0 before port 1; the DVD and the snapshot's own state do not count.
    EXPECT_EQ(vm->disks, (QStringList{vms(kVbox + QStringLiteral("/Snapshots/") + kSnapshot),
                                      vms(kVbox + QStringLiteral("/Daten.vdi"))}));
    EXPECT_TRUE(vm->hints.knownImages.contains(vms(kVbox + QStringLiteral("/Win10.vdi"))));
    const QStringList chain{vms(kVbox + QStringLiteral("/Snapshots/") + kSnapshot), vms(kVbox + QStringLiteral("/Win10.vdi"))};
    expectTopMachine(vms(kVbox + QStringLiteral("/Win10.vbox")), chain);
    expectTopMachine(vms(kVbox), chain);  // its folder
}

TEST(VirtualMachine, VmwareAndHyperVStandForTheirNewestSnapshot)
{
    const QString vmware = QStringLiteral("vmware/Windows 10 x64");
    const QStringList vmwareChain{vms(vmware + QStringLiteral("/Windows 10 x64-000001.vmdk")),
                                  vms(vmware + QStringLiteral("/Windows 10 x64.vmdk"))};
    expectTopMachine(vms(vmware + QStringLiteral("/Windows 10 x64.vmx")), vmwareChain);
    expectTopMachine(vms(vmware), vmwareChain);
    const QString disks = QStringLiteral("Hyper-V/Win10/Virtual Hard Disks");
    const QStringList hyperVChain{vms(disks + QStringLiteral("/Win10_8D0C1E3B-5B2F-4A7D-9C61-2E4F6A8B0D1C.avhdx")),
                                  vms(disks + QStringLiteral("/Win10.vhdx"))};
    expectTopMachine(vms(QStringLiteral("Hyper-V/Win10")), hyperVChain);
    expectTopMachine(vms(disks), hyperVChain);
    const auto hyperV = disk::virtualMachineAt(vms(QStringLiteral("Hyper-V/Win10")));
    ASSERT_TRUE(hyperV);
    EXPECT_EQ(hyperV->kind, QStringLiteral("Hyper-V"));
    EXPECT_EQ(hyperV->disks, QStringList{hyperVChain.front()});
}

TEST(VirtualMachine, ConfigurationsThatCannotBeReadAreNamed)
{
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    };
    const QString broken = write(QStringLiteral("kaputt.vbox"), "<?xml version=\"1.0\"?>\n<VirtualBox><Machine>\n</VirtualBox>");
    EXPECT_TRUE(errorOf([&] { disk::virtualMachineAt(broken); }).second.startsWith(
        QStringLiteral("VirtualBox-Maschine \u201E%1\u201C ist beschädigt: Zeile 3 ist kein gültiges XML").arg(broken)));
    const QString unknown = write(QStringLiteral("fremd.vbox"),
                                  "<VirtualBox><Machine><StorageControllers><StorageController>"
                                  "<AttachedDevice type=\"HardDisk\"><Image uuid=\"{11111111-2222-3333-4444-555555555555}\"/>"
                                  "</AttachedDevice></StorageController></StorageControllers></Machine></VirtualBox>");
    EXPECT_TRUE(errorOf([&] { disk::virtualMachineAt(unknown); }).second.contains(
        QStringLiteral("nennt die Festplatte {11111111-2222-3333-4444-555555555555}, die nicht in ihrem Medienverzeichnis steht")));
    const QString empty = write(QStringLiteral("leer.vmx"), "displayName = \"Leer\"\nsata0:0.deviceType = \"cdrom-image\"\n"
                                                            "sata0:0.fileName = \"win.iso\"\n");
    EXPECT_EQ(errorOf([&] { disk::virtualMachineAt(empty); }).second,
              QStringLiteral("VMware-Maschine \u201E%1\u201C hat keine Festplatte").arg(empty));
    // A .vmx whose disk is gone: the disk's path is named.
    const QString gone = write(QStringLiteral("weg.vmx"), "scsi0:0.fileName = \"C:\\VMs\\weg.vmdk\"\n");
    const auto [number, told] = errorOf([&] { ImageInstallation found(ImageName{gone, -1}); });
    EXPECT_TRUE(told.contains(QStringLiteral("VMware-Maschine \u201E%1\u201C: Datenträgerabbild \u201E%2\u201C nicht gefunden")
                                  .arg(gone, dir.filePath(QStringLiteral("weg.vmdk")))))
        << told.toStdString();
    // Nothing of a machine in a folder: what was looked for.
    QTemporaryDir nothing;
    EXPECT_TRUE(errorOf([&] { ImageInstallation found(ImageName{nothing.path(), -1}); }).second.contains(
        QStringLiteral("enthält keine Windows-Installation, kein Wine-Präfix und keine virtuelle Maschine")));
}

// A disk that cannot be read matters only when no other disk shows Windows.
TEST(VirtualMachine, ADiskThatCannotBeReadMattersOnlyWithoutWindows)
{
    QTemporaryDir dir;
    QFile vmx(dir.filePath(QStringLiteral("zwei.vmx")));
    ASSERT_TRUE(vmx.open(QIODevice::WriteOnly));
    vmx.write(QStringLiteral("nvme0:0.fileName = \"weg.vmdk\"\nscsi0:0.fileName = \"%1\"\n")
                  .arg(vms(QStringLiteral("vmware/Windows 10 x64/Windows 10 x64-000001.vmdk")))
                  .toUtf8());
    vmx.close();
    const ImageInstallation found(ImageName{vmx.fileName(), -1});
    EXPECT_EQ(found.hives()[0]->replay().sequence, 11u);
    EXPECT_EQ(found.hives()[0]->imageLocation()->chain.front(),
              vms(QStringLiteral("vmware/Windows 10 x64/Windows 10 x64-000001.vmdk")));
}

// A snapshot whose base lies elsewhere is found through the machine's media registry.
TEST(VirtualMachine, ASnapshotsBaseElsewhereIsFoundThroughTheMediaRegistry)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Snapshots"));
    const QString snapshot = dir.filePath(QStringLiteral("Snapshots/") + kSnapshot);
    ASSERT_TRUE(QFile::copy(vms(kVbox + QStringLiteral("/Snapshots/") + kSnapshot), snapshot));
    const QString base = vms(kVbox + QStringLiteral("/Win10.vdi"));
    QFile vbox(dir.filePath(QStringLiteral("Win10.vbox")));
    ASSERT_TRUE(vbox.open(QIODevice::WriteOnly));
    vbox.write(QStringLiteral(
                   "<VirtualBox><Machine><MediaRegistry><HardDisks>"
                   "<HardDisk uuid=\"{6f1b2f53-3c4e-4b9a-9d3e-5e1a7c2b9f01}\" location=\"%1\">"
                   "<HardDisk uuid=\"{0c7d9e42-8a1b-4c5d-b6e7-f8091a2b3c4d}\" location=\"Snapshots/%2\"/>"
                   "</HardDisk></HardDisks></MediaRegistry><StorageControllers><StorageController>"
                   "<AttachedDevice type=\"HardDisk\" port=\"0\" device=\"0\">"
                   "<Image uuid=\"{0c7d9e42-8a1b-4c5d-b6e7-f8091a2b3c4d}\"/></AttachedDevice>"
                   "</StorageController></StorageControllers></Machine></VirtualBox>")
                   .arg(base, kSnapshot)
                   .toUtf8());
    vbox.close();
    const ImageInstallation found(ImageName{vbox.fileName(), -1});
    EXPECT_EQ(found.hives()[0]->imageLocation()->chain, (QStringList{snapshot, base}));
    EXPECT_EQ(found.hives()[0]->replay().sequence, 11u);
}
