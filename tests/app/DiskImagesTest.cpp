// A Windows disk in the real window and through --json: the pages show the
// installation on it, and an image with two installations is refused at start.
#include "ModalBoxes.h"
#include "ProgramRun.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

class DiskImages : public ::testing::Test {
protected:
    void SetUp() override { Variablen::SysInfo = SystemInfo{}; }
    void TearDown() override { useRegistry({}); }
};

}  // namespace

TEST_F(DiskImages, AVirtualMachinesDiskIsTheMachineShown)
{
    useRegistry({image("win10.qcow2")});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    EXPECT_TRUE(form.txtInfo->text().contains(QStringLiteral(" Windows Version\t: 6.3.22631 \r\n")))
        << form.txtInfo->text().toStdString();
    EXPECT_TRUE(form.txtInfo->text().contains(QStringLiteral(" Systemverzeichnis\t: C:\\Windows\r\n")));
    program.clickTab(3);
    EXPECT_EQ(form.Check1(3).value(), 1);  // LargeSystemCache, from the log inside the image
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(8).text(), QStringLiteral("Telefon (Headset)"));
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(DiskImages, JsonNamesTheImageThePartitionAndThePathInside)
{
    const ProgramRun run = runProgram({QStringLiteral("--json"), image("win10.vhdx")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(json[u"info"].toObject()[u"WindowsVersion"], QJsonValue(QStringLiteral("6.3.22631 ")));
    // Windows 11 by its build; its ProductName says "Windows 10 Pro".
    EXPECT_EQ(json[u"product"].toObject(), (QJsonObject{{"name", "Windows 11 Pro"}, {"edition", QJsonValue::Null},
                                                         {"displayVersion", "22H2"}, {"build", "22631"}}));
    const QJsonArray sources = json[u"sources"].toArray();
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0].toObject(),
              (QJsonObject{{"path", "\\Windows\\System32\\config\\SYSTEM"}, {"kind", "hive-system"},
                           {"image", image("win10.vhdx")}, {"partition", 3}, {"chain", QJsonArray{image("win10.vhdx")}},
                           {"sequence", 11}, {"dirty", true},
                           {"logs", QJsonArray{QJsonObject{{"path", "\\Windows\\System32\\config\\SYSTEM.LOG1"}, {"entries", 1}},
                                               QJsonObject{{"path", "\\Windows\\System32\\config\\SYSTEM.LOG2"}, {"entries", 1}}}}}));
    const ProgramRun words = runProgram({QStringLiteral("--quellen"), image("mbr-win2000.raw") + QStringLiteral("@1")});
    EXPECT_TRUE(QString::fromUtf8(words.out).endsWith(
        QStringLiteral("\nWindows: Microsoft Windows 2000 Service Pack 4 (Build 2195)\n")))
        << words.out.toStdString();
    EXPECT_TRUE(QString::fromUtf8(words.out).startsWith(
        QStringLiteral("\u201E\\WINNT\\system32\\config\\system\u201C in Partition 1 von \u201E%1\u201C: "
                       "Registrierungsstruktur SYSTEM")
            .arg(image("mbr-win2000.raw"))))
        << words.out.toStdString();
}

// Several installations in a terminal: the message lists them and how to
// choose one, exit code 1 (the window asks instead).
TEST_F(DiskImages, TwoInstallationsInATerminalAreNamedWithHowToChoose)
{
    const ProgramRun run = runProgram({QStringLiteral("--bericht"), image("two-windows.raw")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("@5"))) << run.err.toStdString();
}

// A virtual machine named by its folder shows its current snapshot, and the
// terminal says which files were read; a snapshot without its parent is refused.
TEST_F(DiskImages, AVirtualMachinesFolderShowsItsCurrentSnapshot)
{
    const QString vm = image("vms/VirtualBox VMs/Win10");
    useRegistry({vm});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_TRUE(program.window().txtInfo->text().contains(QStringLiteral(" Windows Version\t: 6.3.22631 \r\n")));
    program.clickTab(3);
    EXPECT_EQ(program.window().Check1(3).value(), 1);  // from the log inside the snapshot
    EXPECT_EQ(shown.count(), 0);

    const QString snapshot = QFileInfo(vm + QStringLiteral("/Snapshots/{0c7d9e42-8a1b-4c5d-b6e7-f8091a2b3c4d}.vdi")).absoluteFilePath();
    const QString base = QFileInfo(vm + QStringLiteral("/Win10.vdi")).absoluteFilePath();
    const ProgramRun json = runProgram({QStringLiteral("--json"), vm});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject source = QJsonDocument::fromJson(json.out).object()[u"sources"].toArray()[0].toObject();
    EXPECT_EQ(source[u"image"], QJsonValue(vm));
    EXPECT_EQ(source[u"partition"], QJsonValue(3));
    EXPECT_EQ(source[u"chain"], QJsonValue(QJsonArray{snapshot, base}));
    const ProgramRun words = runProgram({QStringLiteral("--quellen"), vm});
    EXPECT_TRUE(QString::fromUtf8(words.out).contains(
        QStringLiteral("in Partition 3 von \u201E%1\u201C (gelesen aus \u201E%2\u201C, \u201E%3\u201C): Registrierungsstruktur SYSTEM")
            .arg(vm, snapshot, base)))
        << words.out.toStdString();

    const ProgramRun missing = runProgram({QStringLiteral("--bericht"), image("broken/missing/top.vhd")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("braucht sein Basisabbild \u201Emid.vhd\u201C"))) << missing.err.toStdString();
}

// Every chain, and every virtual machine, shows exactly what the top's hives
// show in a folder: the three pages' data and the inventory of --json are the
// same, but that on a disk a drive letter names its partition.
TEST_F(DiskImages, ChainsAndVirtualMachinesShowWhatTheirTopsHivesShow)
{
    auto pages = [](const QString& source) {
        const ProgramRun run = runProgram({QStringLiteral("--json"), source});
        EXPECT_EQ(run.exitCode, 0) << source.toStdString() << "\n" << run.err.toStdString();
        QJsonObject json = QJsonDocument::fromJson(run.out).object();
        json.remove(u"sources");
        QJsonObject machine = json[u"machine"].toObject();
        QJsonArray drives = machine[u"drives"].toArray();
        for (qsizetype i = 0; i < drives.size(); ++i) {
            QJsonObject drive = drives[i].toObject();
            drive.remove(u"partition");
            drives[i] = drive;
        }
        machine[u"drives"] = drives;
        json[u"machine"] = machine;
        return json;
    };
    const QJsonObject folder = pages(fixture(QStringLiteral("hives/logs/new")));
    ASSERT_FALSE(folder.isEmpty());
    for (const char* source : {"chains/qcow2/top.qcow2", "chains/vmdk/top.vmdk", "chains/vhd/top.vhd",
                               "chains/vhdx/top.avhdx", "chains/vdi/top.vdi", "chains/vhdx-large/top.avhdx",
                               "vms/VirtualBox VMs/Win10", "vms/vmware/Windows 10 x64", "vms/Hyper-V/Win10",
                               "split-numbered/win10.raw.001", "ntfs-2m.img"})
        EXPECT_EQ(pages(image(source)), folder) << source;
}

// A partition table that counts more than a disk holds keeps nothing busy: a
// damaged GPT header gives way to its backup, both damaged are told as such,
// and an MBR whose logical partitions lead in a circle is told too. (Before,
// The Sleuth Kit read 2^31 entries one by one: over a minute.)
TEST_F(DiskImages, APartitionTableThatCountsTooMuchIsCheckedFirst)
{
    const ProgramRun backup = runProgram({QStringLiteral("--quellen"), image("gpt-primary-damaged.raw")});
    EXPECT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(backup.out).contains(QStringLiteral("in Partition 3 von"))) << backup.out.toStdString();

    const ProgramRun damaged = runProgram({QStringLiteral("--quellen"), image("gpt-damaged.raw")});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.err.contains(QStringLiteral(
        "GPT-Partitionstabelle beschädigt: ihr Kopf nennt 2147483648 Einträge von 658 Bytes, mehr als eine "
        "Partitionstabelle hält, und ihre Sicherung ist nicht lesbar")))
        << damaged.err.toStdString();

    const ProgramRun looped = runProgram({QStringLiteral("--quellen"), image("mbr-looped.raw")});
    EXPECT_EQ(looped.exitCode, 1);
    EXPECT_TRUE(looped.err.contains(QStringLiteral("MBR-Partitionstabelle beschädigt: die Kette ihrer logischen "
                                                   "Partitionen führt im Kreis")))
        << looped.err.toStdString();
}

// A folder of several Windows disks, or of several machines, is no dead end:
// the terminal lists each installation with the source that names it, and
// each named so opens. A folder with one machine with Windows shows it.
TEST_F(DiskImages, AFolderOfSeveralDisksOrMachinesListsWhatToName)
{
    QTemporaryDir dir;
    const QDir at(dir.path());
    at.mkpath(QStringLiteral("Abbilder"));
    QFile::link(image("win10.qcow2"), at.filePath(QStringLiteral("Abbilder/eins.qcow2")));
    QFile::link(image("two-windows.raw"), at.filePath(QStringLiteral("Abbilder/zwei.vhd")));  // told by content
    const ProgramRun disks = runProgram({QStringLiteral("--quellen"), at.filePath(QStringLiteral("Abbilder"))});
    EXPECT_EQ(disks.exitCode, 1);
    const QString folder = at.filePath(QStringLiteral("Abbilder"));
    EXPECT_TRUE(disks.err.startsWith(QStringLiteral("tessera: Ordner \u201E%1\u201C enthält 3 Windows-Installationen:\n").arg(folder)))
        << disks.err.toStdString();
    for (const QString& line : {
             QStringLiteral("  \u201Eeins.qcow2\u201C, Partition 3: Größe 20 MiB, Bezeichnung \u201EWindows\u201C, Windows 11 "
                            "Pro 22H2 (Build 22631): \u201Etessera %1/eins.qcow2\u201C\n").arg(folder),
             QStringLiteral("  \u201Ezwei.vhd\u201C, Partition 5: Größe 16 MiB, Bezeichnung \u201ESYSTEM\u201C, Microsoft "
                            "Windows 2000 Service Pack 4 (Build 2195): \u201Etessera %1/zwei.vhd@5\u201C\n").arg(folder)})
        EXPECT_TRUE(disks.err.contains(line)) << line.toStdString() << disks.err.toStdString();
    const ProgramRun chosen = runProgram({QStringLiteral("--bericht"), folder + QStringLiteral("/zwei.vhd@5")});
    EXPECT_TRUE(chosen.out.contains(" Windows Version\t: 5.0.2195 Service Pack 4\n"));

    // Machines side by side, as VirtualBox keeps them in "VirtualBox VMs".
    at.mkpath(QStringLiteral("VMs"));
    QFile::link(image("vms/VirtualBox VMs/Win10"), at.filePath(QStringLiteral("VMs/Win10")));
    QFile::link(image("vms/vmware/Windows 10 x64"), at.filePath(QStringLiteral("VMs/Windows 10 x64")));
    const ProgramRun machines = runProgram({QStringLiteral("--quellen"), at.filePath(QStringLiteral("VMs"))});
    EXPECT_EQ(machines.exitCode, 1);
    EXPECT_TRUE(machines.err.contains(QStringLiteral("enthält 2 Windows-Installationen"))) << machines.err.toStdString();
    EXPECT_TRUE(machines.err.contains(QStringLiteral("\u201Etessera %1\u201C").arg(at.filePath(QStringLiteral("VMs/Win10")))));
    QFile::remove(at.filePath(QStringLiteral("VMs/Windows 10 x64")));
    const ProgramRun one = runProgram({QStringLiteral("--quellen"), at.filePath(QStringLiteral("VMs"))});
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_TRUE(one.out.contains("Win10.vdi")) << one.out.toStdString();
}
