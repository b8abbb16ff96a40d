// tessera [QUELLE …], --help, --version and wrong options: the program as a
// terminal sees it, and sources named on the command line in the real window.
#include "ProgramRun.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "app/CommandLine.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <gtest/gtest.h>

TEST(CommandLine, HelpAndVersionAnswerWithoutADisplay)
{
    for (const char* help : {"--help", "-h"}) {
        const ProgramRun o = runProgram({QString::fromLatin1(help)});
        EXPECT_EQ(o.exitCode, 0) << help;
        const QString out = QString::fromUtf8(o.out);
        EXPECT_TRUE(out.startsWith(QStringLiteral("Aufruf: tessera [--schluessel DATEI …] [QUELLE …]\n"))) << o.out.toStdString();
        for (const char* says : {"Registrierungsstruktur", "Wine-Präfix", "TESSERA_REGISTRY", "--version",
                                 "--bericht", "--json", "--quellen", "Rückgabewert", "xvfb-run"})
            EXPECT_TRUE(out.contains(QString::fromUtf8(says))) << says;
    }
    const ProgramRun version = runProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("tessera " TESSERA_VERSION "\n"));
}

// A wrong option is named in German, with or without a display, before the
// window toolkit starts.
TEST(CommandLine, WrongOptionsAreNamedInGermanWithOrWithoutADisplay)
{
    const std::pair<QStringList, const char*> cases[] = {
        {{QStringLiteral("--farbe=blau")}, "unbekannte Option \u201E--farbe\u201C"},
        {{QStringLiteral("-x"), QStringLiteral("datei.reg")}, "unbekannte Option \u201E-x\u201C"},
        {{QStringLiteral("--bericht=kurz")}, "die Option \u201E--bericht\u201C nimmt keinen Wert"},
        {{QStringLiteral("--bericht"), QStringLiteral("--json")},
         "die Optionen \u201E--bericht\u201C und \u201E--json\u201C schließen einander aus"},
        {{QStringLiteral("-platform")}, "die Option \u201E-platform\u201C verlangt einen Wert"},
    };
    for (const auto& [arguments, says] : cases) {
        for (const bool display : {false, true}) {
            SCOPED_TRACE(arguments.join(u' ').toStdString() + (display ? " (display)" : ""));
            const ProgramRun o = runProgram(
                arguments, display ? std::vector<std::pair<QString, QString>>{{"QT_QPA_PLATFORM", "offscreen"}}
                                   : std::vector<std::pair<QString, QString>>{});
            EXPECT_EQ(o.exitCode, 2);
            EXPECT_EQ(o.err, QStringLiteral("tessera: %1\nMehr mit \u201Etessera --help\u201C.\n")
                                 .arg(QString::fromUtf8(says)));
            EXPECT_TRUE(o.out.isEmpty());
        }
    }
}

// Sources on the command line stand for TESSERA_REGISTRY: a named folder of
// hives is the machine the window shows, whatever the variable says.
TEST(CommandLine, SourcesNamedOnTheCommandLineAreTheMachineShown)
{
    Variablen::SysInfo = SystemInfo{};
    qunsetenv("NUMBER_OF_PROCESSORS");
    useRegistry({fixture(QStringLiteral("shell/broken.reg"))});
    QByteArray name("tessera"), source = fixture(QStringLiteral("hives/win10")).toLocal8Bit();
    char* argv[] = {name.data(), source.data(), nullptr};
    CommandLine commandLine;
    EXPECT_EQ(readCommandLine(2, argv, commandLine), std::nullopt);
    applySources(commandLine);
    EXPECT_EQ(commandLine.mode, CommandLine::Mode::Window);
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_TRUE(program.window().txtInfo->text().startsWith(QStringLiteral(" CPU - Anzahl\t: 8\r\n")))
        << program.window().txtInfo->text().toStdString();
    useRegistry({});
}
