// tessera [QUELLE …], --help and --version: the program as a terminal sees it,
// and sources named on the command line in the real window.
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "app/CommandLine.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

// The built program in a terminal without any display.
Outcome runProgram(const QStringList& arguments)
{
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(TESSERA_PROGRAM), arguments);
    EXPECT_TRUE(run.waitForFinished(20000));
    return {run.exitCode(), QString::fromUtf8(run.readAllStandardOutput()), QString::fromUtf8(run.readAllStandardError())};
}

}  // namespace

TEST(CommandLine, HelpAndVersionAnswerWithoutADisplay)
{
    for (const char* help : {"--help", "-h"}) {
        const Outcome o = runProgram({QString::fromLatin1(help)});
        EXPECT_EQ(o.exitCode, 0) << help;
        EXPECT_TRUE(o.out.startsWith(QStringLiteral("Aufruf: tessera [QUELLE …]\n"))) << o.out.toStdString();
        for (const char* says : {"Registrierungsstruktur", "Wine-Präfix", "TESSERA_REGISTRY", "--version"})
            EXPECT_TRUE(o.out.contains(QString::fromUtf8(says))) << says;
    }
    const Outcome version = runProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("tessera " TESSERA_VERSION "\n"));
}

TEST(CommandLine, AnUnknownOptionIsNamedInGerman)
{
    const QStringList arguments{QStringLiteral("tessera"), QStringLiteral("--farbe=blau")};
    testing::internal::CaptureStderr();
    EXPECT_EQ(applyCommandLine(arguments), 2);
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(err, QStringLiteral("tessera: unbekannte Option \u201E--farbe\u201C\nMehr mit \u201Etessera --help\u201C.\n"));
}

// Sources on the command line stand for TESSERA_REGISTRY: a named folder of
// hives is the machine the window shows, whatever the variable says.
TEST(CommandLine, SourcesNamedOnTheCommandLineAreTheMachineShown)
{
    Variablen::SysInfo = SystemInfo{};
    qunsetenv("NUMBER_OF_PROCESSORS");
    useRegistry({fixture(QStringLiteral("shell/broken.reg"))});
    EXPECT_EQ(applyCommandLine({QStringLiteral("tessera"), fixture(QStringLiteral("hives/win10"))}), std::nullopt);
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_TRUE(program.window().txtInfo->text().startsWith(QStringLiteral(" CPU - Anzahl\t: 8\r\n")))
        << program.window().txtInfo->text().toStdString();
    useRegistry({});
}
