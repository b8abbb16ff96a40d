// Many machines at once: each named machine its own report, record, line or
// row, in the order named; one that fails is told in its place and the exit
// code says so after all of them. Two disks are never one machine.
#include "ProgramRun.h"
#include "RegistryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

QJsonObject parsed(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return object;
}

// --json of one machine, without the sources (which say where each was read).
QJsonObject single(const QStringList& sources)
{
    const ProgramRun run = runProgram(QStringList{QStringLiteral("--json")} + sources);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return parsed(run.out);
}

}  // namespace

// --jsonl: a compact line per machine in the order named, a folder of disks a
// line per disk, hives named together one machine; each line holds what --json
// holds for that machine alone; a machine that fails is its line, and exit 1.
TEST(ManyMachines, JsonLinesInOrderEachAsItsOwnJson)
{
    QTemporaryDir folder;
    for (const char* name : {"a.raw", "b.raw"})
        ASSERT_TRUE(QFile::copy(image("small.raw"), folder.filePath(QLatin1String(name))));
    const QString config = fixture(QStringLiteral("hives/win10/Windows/System32/config/"));
    const QString system = config + QStringLiteral("SYSTEM"), software = config + QStringLiteral("SOFTWARE");
    const ProgramRun run = runProgram({QStringLiteral("--jsonl"), image("win10.vhdx"), image("no-windows.raw"), system,
                                       folder.path(), fixture(QStringLiteral("wine-prefix")), software});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.crashed);
    const QList<QByteArray> lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), 7) << run.out.toStdString();  // six lines and the end
    EXPECT_TRUE(lines.last().isEmpty());
    const std::vector<QStringList> machines = {{image("win10.vhdx")},       {image("no-windows.raw")},
                                               {system, software},          {folder.filePath(QStringLiteral("a.raw"))},
                                               {folder.filePath(QStringLiteral("b.raw"))},
                                               {fixture(QStringLiteral("wine-prefix"))}};
    for (std::size_t i = 0; i < machines.size(); ++i) {
        SCOPED_TRACE(i);
        QJsonObject line = parsed(lines[qsizetype(i)]);
        EXPECT_EQ(line[u"source"].toString(), machines[i].join(u':'));
        if (i == 1) {
            EXPECT_EQ(line.keys(), (QStringList{QStringLiteral("error"), QStringLiteral("source")}));
            EXPECT_TRUE(line[u"error"].toString().contains(QStringLiteral("enthält keine Windows-Installation")));
            continue;
        }
        line.remove(u"source");
        EXPECT_EQ(line, single(machines[i]));
    }
    EXPECT_EQ(parsed(lines[0])[u"machine"][u"hostname"].toString(), QStringLiteral("DESKTOP-TESSERA"));
    EXPECT_EQ(parsed(lines[5])[u"machine"][u"hostname"].toString(), QStringLiteral("WINEHOST"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("no-windows.raw"))) << run.err.toStdString();
}

// Batch outputs never ask: a question left open is the machine's error,
// naming what to give; secrets from --schluessel are tried on every volume.
TEST(ManyMachines, BatchOutputsNeverAsk)
{
    const ProgramRun open = runProgram({QStringLiteral("--jsonl"), image("two-windows.raw"), image("broken/missing/top.vhd"),
                                        image("two-windows.raw@5")});
    EXPECT_EQ(open.exitCode, 1);
    const QList<QByteArray> lines = open.out.split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(parsed(lines[0])[u"error"].toString().contains(QStringLiteral("two-windows.raw@5"))) << lines[0].toStdString();
    EXPECT_TRUE(parsed(lines[1])[u"error"].toString().contains(QStringLiteral("\u201Emid.vhd\u201C")));
    EXPECT_EQ(parsed(lines[2])[u"product"][u"name"].toString(), QStringLiteral("Microsoft Windows 2000"));

    if (!QFileInfo::exists(image("bitlocker-xts.raw"))) GTEST_SKIP() << "no BitLocker fixtures";
    QTemporaryDir dir;
    QFile key(dir.filePath(QStringLiteral("kennwort.txt")));
    ASSERT_TRUE(key.open(QIODevice::WriteOnly));
    key.write("password12!@\n");
    key.close();
    const ProgramRun locked = runProgram({QStringLiteral("--csv"), image("bitlocker-xts.raw")});
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_TRUE(locked.out.contains("--schluessel DATEI")) << locked.out.toStdString();
    const ProgramRun unlocked = runProgram({QStringLiteral("--csv"), QStringLiteral("--schluessel"), key.fileName(),
                                            image("bitlocker-xts.raw"), image("bitlocker-xts.qcow2")});
    EXPECT_EQ(unlocked.exitCode, 0) << unlocked.err.toStdString();
    EXPECT_EQ(unlocked.out.count("\r\n"), 3);
    EXPECT_FALSE(unlocked.out.contains("password12")) << unlocked.out.toStdString();
    EXPECT_FALSE(unlocked.err.contains(QStringLiteral("password12")));
}

// --csv: the header, a row per machine in RFC 4180 (quotes where needed, CR LF),
// a machine's text that a spreadsheet would run as a formula made harmless.
TEST(ManyMachines, CsvRows)
{
    const RegistryFile odd(QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\ComputerName\\ComputerName]\n"
        "\"ComputerName\"=\"=HYPERLINK(\\\"http://x\\\")\"\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\Tcpip\\Parameters]\n"
        "\"Domain\"=hex(1):61,00,2c,00,62,00,0a,00,63,00,00,00\n"));  // "a,b", a line end, "c"
    const ProgramRun run = runProgram({QStringLiteral("--csv"), image("win10.qcow2"), odd.path(), image("garbage.raw")});
    EXPECT_EQ(run.exitCode, 1);
    const QList<QByteArray> rows = run.out.split('\n');
    ASSERT_GE(rows.size(), 4) << run.out.toStdString();
    EXPECT_EQ(rows[0], QByteArray("source,hostname,domain,product,displayVersion,build,architecture,installed,"
                                  "lastShutdown,timeZone,addresses,users,applications,error\r"));
    EXPECT_EQ(rows[1], (image("win10.qcow2") + QStringLiteral(",DESKTOP-TESSERA,beispiel.local,Windows 11 Pro,22H2,22631,AMD64,"
                                                              "2022-01-01T11:00:00Z,2023-11-14T08:30:00Z,W. Europe Standard "
                                                              "Time,192.168.10.20; 10.0.0.5; 172.16.5.23,bob; anna; chef,6,\r"))
                           .toUtf8());
    EXPECT_TRUE(run.out.contains(odd.path().toUtf8() + ",\"'=HYPERLINK(\"\"http://x\"\")\",\"a,b\nc\","))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains((image("garbage.raw") + QStringLiteral(",,,,,,,,,,,,,Datenträgerabbild")).toUtf8()));
    EXPECT_TRUE(run.out.endsWith("unbekannt\r\n"));
}

// --bericht and --json with two disks: two machines, each with its own facts
// (no longer Windows 2000's report with Windows 10's BIOS date).
TEST(ManyMachines, TwoDisksAreTwoMachines)
{
    const ProgramRun report = runProgram({QStringLiteral("--bericht"), image("mbr-win2000.raw"), image("win10.qcow2")});
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    const QString out = QString::fromUtf8(report.out);
    const qsizetype second = out.indexOf(QStringLiteral("\n\n==> %1 <==\n").arg(image("win10.qcow2")));  // a blank line between
    ASSERT_GT(second, 0) << out.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("==> %1 <==\n").arg(image("mbr-win2000.raw"))));
    const QString windows2000 = out.left(second + 1), windows10 = out.mid(second + 1);
    EXPECT_TRUE(windows2000.contains(QStringLiteral("5.0.2195 Service Pack 4")));
    EXPECT_FALSE(windows2000.contains(QStringLiteral("09/05/2023")));  // Windows 10's BIOS date
    EXPECT_TRUE(windows10.contains(QStringLiteral("09/05/2023")));
    EXPECT_EQ(windows2000.count(u'\n'), 1 + 27);  // its line, the 27 lines
    const ProgramRun one = runProgram({QStringLiteral("--bericht"), image("mbr-win2000.raw")});
    EXPECT_EQ(windows2000.mid(windows2000.indexOf(u'\n') + 1), QString::fromUtf8(one.out));

    const ProgramRun json = runProgram({QStringLiteral("--json"), image("mbr-win2000.raw"), image("garbage.raw"),
                                        image("win10.qcow2")});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonArray machines = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(machines.size(), 3) << json.out.toStdString();
    EXPECT_EQ(machines[0][u"source"].toString(), image("mbr-win2000.raw"));
    EXPECT_TRUE(machines[1][u"error"].isString());
    EXPECT_EQ(machines[2][u"machine"][u"hostname"].toString(), QStringLiteral("DESKTOP-TESSERA"));
    EXPECT_TRUE(machines[0][u"machine"][u"hostname"].isNull());
    // One machine: an object as before, now with its inventory; this machine's is null.
    EXPECT_TRUE(single({image("win10.qcow2")})[u"machine"].isObject());
    EXPECT_TRUE(parsed(runProgram({QStringLiteral("--json")}).out)[u"machine"].isNull());
}
