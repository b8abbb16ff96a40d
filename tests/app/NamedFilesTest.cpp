// Every file named as a source is told for what it is, in the terminal and in
// the window's box, with what the user can do: a path that is not there, an
// empty file, one the user may not read (or a folder on the way they may not
// enter), a BitLocker key file, the files a hypervisor keeps beside a virtual
// machine. Only a file that is a registry text (or begins like one) is called
// a "Registrierungsdatei".
#include "ModalBoxes.h"
#include "ProgramRun.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "sysinfo/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class NamedFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // The terminal's message for `source`: exit code 1, nothing on stdout, no "Registrierungsdatei".
    QString told(const QString& source)
    {
        const ProgramRun run = runProgram({QStringLiteral("--quellen"), source});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(run.err.contains(QStringLiteral("Registrierungsdatei"))) << run.err.toStdString();
        return run.err;
    }

    QTemporaryDir dir;
};

// A .BEK file as Windows writes one: its size, version 1, a 48-byte header.
QByteArray keyFile()
{
    QByteArray bytes(124, '\0');
    bytes[0] = 124;
    bytes[4] = 1;
    bytes[8] = 48;
    return bytes;
}

}  // namespace

TEST_F(NamedFiles, APathThatIsNotThereSaysSoAndWhichFolderIsMissing)
{
    const QString missing = dir.filePath(QStringLiteral("x.qcow2"));
    EXPECT_EQ(told(missing), QStringLiteral("tessera: \u201E%1\u201C gibt es nicht: in \u201E%2\u201C liegt keine Datei "
                                            "und kein Ordner dieses Namens. Prüfen Sie den Namen.\n")
                                 .arg(missing, dir.path()));
    const QString deeper = dir.filePath(QStringLiteral("Abbilder/2026/x.qcow2"));
    EXPECT_TRUE(told(deeper).contains(
        QStringLiteral("schon der Ordner \u201E%1\u201C fehlt").arg(dir.filePath(QStringLiteral("Abbilder")))));
    EXPECT_TRUE(told(missing + QStringLiteral("@3")).contains(QStringLiteral("gibt es nicht")));
    const QString dangling = dir.filePath(QStringLiteral("link.raw"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone.raw")), dangling));
    EXPECT_TRUE(told(dangling).contains(QStringLiteral("ist eine Verknüpfung auf")));
}

TEST_F(NamedFiles, AnEmptyFileAKeyFileAndAHypervisorsSideFilesAreToldWithWhatToOpen)
{
    EXPECT_TRUE(told(write(QStringLiteral("leer.raw"), {})).contains(QStringLiteral("ist leer (0 Bytes)")));

    const QString key = write(QStringLiteral("1A2B3C4D.BEK"), keyFile());
    const QString keyTold = told(key);
    EXPECT_TRUE(keyTold.contains(QStringLiteral("ist eine BitLocker-Schlüsseldatei (.BEK), kein Datenträger")))
        << keyTold.toStdString();
    EXPECT_TRUE(keyTold.contains(QStringLiteral("\u201E--schluessel 1A2B3C4D.BEK\u201C")));

    write(QStringLiteral("vbox/Win10.vbox"), "<VirtualBox/>");
    const QString previous = told(write(QStringLiteral("vbox/Win10.vbox-prev"), "<VirtualBox/>"));
    EXPECT_TRUE(previous.contains(QStringLiteral("ist die vorige Fassung der Konfiguration einer VirtualBox-Maschine")));
    EXPECT_TRUE(previous.contains(QStringLiteral("Öffnen Sie \u201EWin10.vbox\u201C daneben")));
    EXPECT_TRUE(told(write(QStringLiteral("vbox/Win10.vbox-tmp"), "<VirtualBox/>")).contains(QStringLiteral("Zwischenfassung")));

    write(QStringLiteral("vmware/Windows 10.vmx"), ".encoding = \"UTF-8\"\n");
    const std::pair<const char*, const char*> sides[] = {
        {"Windows 10.vmsd", "die Liste der Snapshots"},
        {"Windows 10.vmxf", "ergänzende Angaben"},
        {"Windows 10.nvram", "Firmware-Speicher"},
        {"Windows 10-Snapshot1.vmss", "angehaltene Zustand"},
        {"Windows 10-Snapshot2.vmsn", "Zustand eines Snapshots"},
        {"Windows 10.vmem", "Arbeitsspeicher"},
        {"vmware-1.log", "Protokolldatei von VMware"},
    };
    for (const auto& [name, what] : sides) {
        SCOPED_TRACE(name);
        const QString side = told(write(QStringLiteral("vmware/") + QLatin1String(name), QByteArray(600, 'x')));
        EXPECT_TRUE(side.contains(QString::fromUtf8(what))) << side.toStdString();
        EXPECT_TRUE(side.contains(QStringLiteral("\u201EWindows 10.vmx\u201C daneben"))) << side.toStdString();
    }
    // A hive's log is no VMware log: it is told as a transaction log, as before.
    const ProgramRun hiveLog = runProgram({QStringLiteral("--quellen"), fixture(QStringLiteral("hives/damaged/transaction-log"))});
    EXPECT_TRUE(hiveLog.err.contains(QStringLiteral("ist ein Transaktionsprotokoll"))) << hiveLog.err.toStdString();
}

TEST_F(NamedFiles, ATextOfAnotherKindIsNoRegistryFileButACutOffExportIsOne)
{
    const QString text = runProgram({QStringLiteral("--quellen"), write(QStringLiteral("notizen.txt"), "Einkaufsliste\r\nBrot\r\n")}).err;
    EXPECT_TRUE(text.contains(QStringLiteral("ist eine Textdatei, aber keine Registrierungsdatei: ihre erste Zeile "
                                             "lautet \u201EEinkaufsliste\u201C")))
        << text.toStdString();
    const ProgramRun cut = runProgram({QStringLiteral("--quellen"), write(QStringLiteral("cut.reg"), "Windows Registry Ed")});
    EXPECT_TRUE(cut.err.contains(QStringLiteral("Registrierungsdatei"))) << cut.err.toStdString();
    EXPECT_TRUE(cut.err.contains(QStringLiteral("unbekannter Dateikopf"))) << cut.err.toStdString();
}

// Read as another user would: root reads everything, so the program runs as
// "nobody" where the tests run as root.
TEST_F(NamedFiles, AFileOrAFolderOnTheWayThatMayNotBeReadNamesItsOwner)
{
    const bool root = ::geteuid() == 0;
    if (root && !QFileInfo::exists(QStringLiteral("/usr/bin/setpriv"))) GTEST_SKIP() << "setpriv is not installed";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString disk = write(QStringLiteral("win10.qcow2"), QByteArray("QFI\xFB", 4) + QByteArray(600, '\0'));
    QFile::setPermissions(disk, QFile::ReadOwner | QFile::WriteOwner);
    write(QStringLiteral("privat/Windows/System32/config/SYSTEM"), "regf");
    QFile::setPermissions(dir.filePath(QStringLiteral("privat/Windows")), QFile::ReadOwner | QFile::ExeOwner);
    for (const QString& folder : {QStringLiteral("privat"), QStringLiteral("privat/Windows/System32"),
                                  QStringLiteral("privat/Windows/System32/config")})
        QFile::setPermissions(dir.filePath(folder), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    auto asAnother = [&](const QString& source) {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
        run.setProcessEnvironment(env);
        if (root)
            run.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                  QStringLiteral("--clear-groups"), QStringLiteral(TESSERA_PROGRAM),
                                                  QStringLiteral("--quellen"), source});
        else
            run.start(QStringLiteral(TESSERA_PROGRAM), {QStringLiteral("--quellen"), source});
        EXPECT_TRUE(run.waitForFinished(20000));
        EXPECT_EQ(run.exitCode(), 1);
        return QString::fromUtf8(run.readAllStandardError());
    };
    const QString file = asAnother(disk);
    EXPECT_TRUE(file.startsWith(QStringLiteral("tessera: Die Datei \u201E%1\u201C (Eigentümer ").arg(disk))) << file.toStdString();
    EXPECT_TRUE(file.contains(QStringLiteral("Rechte rw-------) dürfen Sie nicht lesen. Starten Sie Tessera mit den "
                                             "Rechten, sie zu lesen")))
        << file.toStdString();
    EXPECT_TRUE(file.contains(QStringLiteral("\nEinzelheiten: EACCES\n"))) << file.toStdString();
    EXPECT_FALSE(file.contains(QStringLiteral("Registrierungsdatei")));
    // The installation's folder opens; the Windows folder in it does not.
    const QString folder = asAnother(dir.filePath(QStringLiteral("privat")));
    EXPECT_TRUE(folder.contains(QStringLiteral("Den Ordner \u201E%1\u201C").arg(dir.filePath(QStringLiteral("privat/Windows")))))
        << folder.toStdString();
    EXPECT_TRUE(folder.contains(QStringLiteral("dürfen Sie nicht öffnen"))) << folder.toStdString();
    EXPECT_FALSE(folder.contains(QStringLiteral("enthält keine Windows-Installation"))) << folder.toStdString();
}

// The window's box says the same, before the window loads.
TEST_F(NamedFiles, TheWindowsBoxTellsTheSame)
{
    Variablen::SysInfo = SystemInfo{};
    const QString missing = dir.filePath(QStringLiteral("x.qcow2"));
    useRegistry({missing});
    ModalBoxes boxes;
    {
        RunningProgram program;
        EXPECT_TRUE(program.ended());
    }
    useRegistry({});
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].isSourceFailure());
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("\u201E%1\u201C gibt es nicht").arg(missing)))
        << boxes.boxes()[0].text.toStdString();
}
