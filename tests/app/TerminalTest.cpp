// tessera --bericht, --json and --quellen: what a terminal or a script gets,
// without any display, and the same as the window shows.
#include "ErrorOf.h"
#include "ModalBoxes.h"
#include "ProgramRun.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString hives(const char* relative) { return fixture(QStringLiteral("hives/") + QLatin1String(relative)); }

// Nothing of this machine's process environment reaches the report.
class Terminal : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        unsetReportVariables();
        useRegistry({});
    }
    void TearDown() override { useRegistry({}); }

    // What the window's Info page shows for these sources at start, in-process.
    static QString pageReport(const QStringList& sources)
    {
        Variablen::SysInfo = SystemInfo{};  // as in a program started afresh
        useRegistry(sources);
        RunningProgram program;
        EXPECT_FALSE(program.ended());
        const QString text = program.window().txtInfo->text();
        useRegistry({});
        return text;
    }
    static QString speicherBox(const QStringList& sources)
    {
        useRegistry(sources);
        RunningProgram program;
        ModalBoxes shown;
        program.clickTab(3);
        useRegistry({});
        return shown.count() == 1 ? shown.boxes()[0].text : QString();
    }

    static QJsonObject json(const QStringList& sources)
    {
        const ProgramRun run = runProgram(QStringList{QStringLiteral("--json")} + sources);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << run.out.toStdString();
        return document.object();
    }
};

// The keys of each object in the order the text holds them.
QStringList keysInOrder(const QByteArray& json, const QStringList& expected)
{
    QStringList found;
    qsizetype at = 0;
    for (const QString& key : expected) {
        const qsizetype next = json.indexOf("\"" + key.toUtf8() + "\":", at);
        if (next < 0) break;
        found << key;
        at = next;
    }
    return found;
}

}  // namespace

TEST_F(Terminal, TheReportIsThePagesTextWithLineFeeds)
{
    for (const char* machine : {"win2000", "win10"}) {
        SCOPED_TRACE(machine);
        const ProgramRun run = runProgram({QStringLiteral("--bericht"), hives(machine)});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_FALSE(run.crashed);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains('\r'));
        EXPECT_EQ(run.out.count('\n'), 27);
        QString page = pageReport({hives(machine)});
        EXPECT_EQ(QString::fromUtf8(run.out), page.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
}

TEST_F(Terminal, JsonHoldsTheThreePagesAndTheSourcesInAFixedOrder)
{
    const QJsonObject w2000 = json({hives("win2000")});
    const QJsonObject info = w2000[u"info"].toObject();
    EXPECT_EQ(info.size(), 24);
    EXPECT_EQ(info[u"CpuCount"], QJsonValue(1));
    EXPECT_EQ(info[u"CpuMhz"], QJsonValue(0));
    EXPECT_EQ(info[u"CpuLevel"], QJsonValue(QStringLiteral("6")));  // a text in the record, a text here
    EXPECT_EQ(info[u"WindowsVersion"], QJsonValue(QStringLiteral("5.0.2195 Service Pack 4")));
    EXPECT_EQ(info[u"SystemRoot"], QJsonValue(QStringLiteral("C:\\WINNT")));
    QString page = pageReport({hives("win2000")});
    EXPECT_EQ(info[u"report"].toString(), page.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(w2000[u"memory"].toObject(),
              (QJsonObject{{"ClearPageFileAtShutdown", 1}, {"DisablePagingExecutive", 0}, {"LargeSystemCache", 0},
                           {"IoPageLockLimit", 524288}, {"SecondLevelDataCache", 256}}));
    const QJsonObject sound = w2000[u"sound"].toObject();
    EXPECT_EQ(sound.size(), 11);
    EXPECT_EQ(sound[u"Alle"], QJsonValue(QStringLiteral("Summe")));
    EXPECT_EQ(sound[u"Telefon"], QJsonValue(QStringLiteral("Telefonleitung")));
    EXPECT_EQ(sound[u"Stereomixer"], QJsonValue(QStringLiteral("Stereomix")));
    const QJsonArray sources = w2000[u"sources"].toArray();
    ASSERT_EQ(sources.size(), 2);  // the folder stands for its two hives
    EXPECT_EQ(sources[0].toObject(),
              (QJsonObject{{"path", hives("win2000/WINNT/system32/config/system")}, {"kind", "hive-system"},
                           {"sequence", 2}, {"dirty", false}, {"logs", QJsonArray{}}}));
    EXPECT_EQ(sources[1].toObject()[u"kind"], QJsonValue(QStringLiteral("hive-software")));

    const ProgramRun raw = runProgram({QStringLiteral("--json"), hives("win2000")});
    const QStringList top{"info", "memory", "sound", "sources"};
    EXPECT_EQ(keysInOrder(raw.out, top), top);
    const QStringList fields{"CpuCount", "CpuDescription", "CpuMhz", "CpuVendor", "CpuLevel", "CpuRevision",
                             "CpuArchitecture", "SystemIdentifier", "BiosDate", "BiosVersion", "VideoBiosDate",
                             "VideoBiosVersion", "OsName", "CommandInterpreter", "HomeDrive", "ExecutableExtensions",
                             "SystemDrive", "SystemRoot", "WindowsDir", "TempDir", "IeVersion", "IePatches",
                             "WindowsVersion", "report"};
    EXPECT_EQ(keysInOrder(raw.out, fields), fields);
    const QStringList names{"Alle", "Wave", "Micro", "LineIn", "CD", "Aux", "MIDI", "WaveSynth", "Telefon",
                            "Stereomixer", "Monomixer"};
    EXPECT_EQ(keysInOrder(raw.out, names), names);
}

// A reader that cannot be created gives its error, as the page's box shows it;
// the other reader and the report are there all the same.
TEST_F(Terminal, JsonGivesTheErrorOfAReaderThatCannotBeCreated)
{
    const QJsonObject w10 = json({hives("win10")});
    const QJsonObject memory = w10[u"memory"].toObject();
    ASSERT_EQ(memory.keys(), QStringList{QStringLiteral("error")});
    const QJsonObject error = memory[u"error"].toObject();
    EXPECT_EQ(error[u"number"].toInteger(), qint64(std::int32_t(0x80070002u)));
    const QString box = speicherBox({hives("win10")});
    EXPECT_TRUE(box.endsWith(QStringLiteral("\n\n") + error[u"description"].toString())) << box.toStdString();
    EXPECT_TRUE(box.startsWith(QStringLiteral("Laufzeitfehler '%1").arg(error[u"number"].toInteger())));
    EXPECT_EQ(w10[u"sound"].toObject()[u"Alle"], QJsonValue(QStringLiteral("Lautsprecher")));
    EXPECT_EQ(w10[u"info"].toObject()[u"WindowsVersion"], QJsonValue(QStringLiteral("6.3.19045 ")));

    // An export with the memory values and no sound names: the other way round.
    RegistryFile memoryOnly(QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management]\r\n"
        "\"ClearPageFileAtShutdown\"=dword:00000000\r\n\"DisablePagingExecutive\"=dword:00000001\r\n"
        "\"LargeSystemCache\"=dword:00000001\r\n\"IOPageLockLimit\"=dword:00080000\r\n"
        "\"SecondLevelDataCache\"=dword:00000200\r\n"));
    const QJsonObject exported = json({memoryOnly.path()});
    EXPECT_EQ(exported[u"memory"].toObject()[u"SecondLevelDataCache"], QJsonValue(512));
    const QJsonObject soundError = exported[u"sound"].toObject()[u"error"].toObject();
    EXPECT_EQ(soundError[u"number"].toInteger(), qint64(std::int32_t(0x80070002u)));
    EXPECT_TRUE(soundError[u"description"].toString().contains(QStringLiteral("{185FEDE3-9905-11D1-95A9-00C04FB925D3}")));
    EXPECT_EQ(exported[u"sources"].toArray(), (QJsonArray{QJsonObject{{"path", memoryOnly.path()}, {"kind", "export"}}}));
}

TEST_F(Terminal, ThisMachinesSourcesAndAWinePrefixInWords)
{
    const ProgramRun run =
        runProgram({QStringLiteral("--quellen")}, {{"WINEPREFIX", fixture(QStringLiteral("wine-prefix"))}});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("dieser Rechner: Prozessor und Firmware aus /proc und /sys")));
    EXPECT_EQ(lines[1], QStringLiteral("\u201E%1\u201C: Registrierung eines Wine-Präfixes")
                            .arg(fixture(QStringLiteral("wine-prefix/system.reg"))));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("eingebaute Vorgaben")));

    const ProgramRun viewed = runProgram({QStringLiteral("--quellen"), hives("win10")});
    EXPECT_EQ(QString::fromUtf8(viewed.out),
              QStringLiteral("\u201E%1\u201C: Registrierungsstruktur SYSTEM, Sequenznummern 2 und 2, sauber "
                             "zurückgeschrieben\n\u201E%2\u201C: Registrierungsstruktur SOFTWARE, Sequenznummern 2 "
                             "und 2, sauber zurückgeschrieben\nWindows: Windows 10 Pro 22H2 (Build 19045)\n")
                  .arg(hives("win10/Windows/System32/config/SYSTEM"), hives("win10/Windows/System32/config/SOFTWARE")));
}

// 1: a named source cannot be read, named on stderr as the error box names it.
TEST_F(Terminal, AnUnreadableSourceEndsWithExitCodeOne)
{
    const QString missing = fixture(QStringLiteral("no-such-file.reg"));
    for (const char* mode : {"--bericht", "--json", "--quellen"}) {
        SCOPED_TRACE(mode);
        const ProgramRun gone = runProgram({QString::fromLatin1(mode), missing});
        EXPECT_EQ(gone.exitCode, 1);
        EXPECT_TRUE(gone.out.isEmpty());
        EXPECT_EQ(gone.err, QStringLiteral("tessera: \u201E%1\u201C gibt es nicht: in \u201E%2\u201C liegt keine Datei und kein "
                                           "Ordner dieses Namens. Prüfen Sie den Namen.\n")
                                .arg(missing, QFileInfo(missing).absolutePath()));
        const ProgramRun damaged = runProgram({QString::fromLatin1(mode), hives("damaged/bad-checksum")});
        EXPECT_EQ(damaged.exitCode, 1);
        EXPECT_TRUE(damaged.err.contains(QStringLiteral("die Prüfsumme des Kopfes stimmt nicht"))) << damaged.err.toStdString();
    }
}

// Without a display the window says how to get one and ends with 2, no abort;
// the report needs none.
TEST_F(Terminal, WithoutADisplayTheWindowSaysSoAndTheReportRuns)
{
    const ProgramRun window = runProgram({hives("win10")});
    EXPECT_FALSE(window.crashed);
    EXPECT_EQ(window.exitCode, 2);
    EXPECT_TRUE(window.out.isEmpty());
    for (const char* says : {"keine Anzeige gefunden", "DISPLAY", "WAYLAND_DISPLAY", "xvfb-run", "ssh -X",
                             "tessera --bericht"})
        EXPECT_TRUE(window.err.contains(QString::fromUtf8(says))) << says << "\n" << window.err.toStdString();

    // A display that is named but cannot be reached: the same, in German.
    const ProgramRun unreachable = runProgram({}, {{"DISPLAY", ":4711"}});
    EXPECT_FALSE(unreachable.crashed);
    EXPECT_EQ(unreachable.exitCode, 2);
    EXPECT_TRUE(unreachable.err.contains(QStringLiteral("das Fenster kann nicht geöffnet werden")))
        << unreachable.err.toStdString();
    EXPECT_TRUE(unreachable.err.contains(QStringLiteral("tessera --bericht")));

    const ProgramRun report = runProgram({QStringLiteral("--bericht")});
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_TRUE(report.out.startsWith(" CPU - Anzahl\t: ")) << report.out.toStdString();
    EXPECT_TRUE(report.out.endsWith(" Office Version\t: -\n"));
}

// A hive named without its partner is read, and the missing one is named
// once after the output; both together, or a folder holding both, say nothing.
TEST_F(Terminal, AHiveWithoutItsPartnerIsNamedAfterTheReport)
{
    const QString system = hives("win10/Windows/System32/config/SYSTEM");
    const QString software = hives("win10/Windows/System32/config/SOFTWARE");
    const ProgramRun alone = runProgram({QStringLiteral("--bericht"), system});
    EXPECT_EQ(alone.exitCode, 0);
    EXPECT_TRUE(alone.out.contains(" Windows Version\t: . \n"));  // the report stays as it is
    EXPECT_EQ(alone.err, QStringLiteral("tessera: Hinweis: Zu \u201E%1\u201C fehlt die Registrierungsstruktur SOFTWARE: "
                                        "die Windows-Version, der Systemordner und die Browser-Versionen bleiben leer "
                                        "oder unaufgelöst. Nennen Sie SOFTWARE mit (etwa \u201Etessera SYSTEM "
                                        "SOFTWARE\u201C) oder den Ordner, in dem beide liegen.\n")
                             .arg(system));
    const ProgramRun reverse = runProgram({QStringLiteral("--json"), software});
    EXPECT_TRUE(reverse.err.contains(QStringLiteral("fehlt die Registrierungsstruktur SYSTEM: Prozessor"))) << reverse.err.toStdString();
    for (const QStringList& whole : {QStringList{system, software}, QStringList{hives("win10")}}) {
        const ProgramRun both = runProgram(QStringList{QStringLiteral("--bericht")} + whole);
        EXPECT_EQ(both.exitCode, 0);
        EXPECT_TRUE(both.err.isEmpty()) << both.err.toStdString();
    }
}
