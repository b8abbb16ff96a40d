// Hives that Windows did not write back, in the real window and through
// --json: the pages show what the logs hold, and what is missing is told once.
#include "ModalBoxes.h"
#include "ProgramRun.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString logs(const char* relative) { return fixture(QStringLiteral("hives/logs/") + QLatin1String(relative)); }

class TransactionLogs : public ::testing::Test {
protected:
    void SetUp() override { Variablen::SysInfo = SystemInfo{}; }
    void TearDown() override { useRegistry({}); }

    // The check boxes of the Speicher page and its two combo boxes.
    static QString memoryPage(FrmMain& form)
    {
        QString s;
        for (std::int16_t i : {0, 1, 3, 9}) s += QString::number(form.Check1(i).value());
        return s + u'|' + form.cmbIO->text() + u'|' + form.cmbL2->text();
    }
};

}  // namespace

TEST_F(TransactionLogs, ThePagesShowWhatTheLogsHoldAndNothingIsTold)
{
    useRegistry({logs("new")});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    EXPECT_TRUE(form.txtInfo->text().contains(QStringLiteral(" Windows Version\t: 6.3.22631 \r\n")))
        << form.txtInfo->text().toStdString();  // 19045 in the SOFTWARE file
    program.clickTab(3);
    EXPECT_EQ(memoryPage(form), QStringLiteral("0110|0|Default"));  // LargeSystemCache 1, 0 in the SYSTEM file
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(8).text(), QStringLiteral("Telefon (Headset)"));
    EXPECT_EQ(shown.count(), 0);

    const ProgramRun run = runProgram({QStringLiteral("--json"), logs("new")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray sources = QJsonDocument::fromJson(run.out).object()[u"sources"].toArray();
    ASSERT_EQ(sources.size(), 2);
    const QString config = logs("new/Windows/System32/config/");
    EXPECT_EQ(sources[0].toObject(),
              (QJsonObject{{"path", config + "SYSTEM"}, {"kind", "hive-system"}, {"sequence", 11}, {"dirty", true},
                           {"logs", QJsonArray{QJsonObject{{"path", config + "SYSTEM.LOG1"}, {"entries", 1}},
                                               QJsonObject{{"path", config + "SYSTEM.LOG2"}, {"entries", 1}}}}}));
    EXPECT_EQ(sources[1].toObject()[u"sequence"], QJsonValue(20));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

// A log damaged after its first entry: that entry's change shows, the next
// one's does not, and one box after the window is up says which log stopped.
TEST_F(TransactionLogs, ADamagedLogIsToldOnceAndWhatCameBeforeItShows)
{
    useRegistry({logs("damaged/bad-hash/SYSTEM")});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    ASSERT_EQ(shown.count(), 2);  // and that SOFTWARE is missing
    EXPECT_TRUE(shown.boxes()[0].overShownWindow);
    EXPECT_TRUE(shown.boxes()[0].text.contains(QStringLiteral("\u201ESYSTEM.LOG1\u201C bricht nach 1 Eintrag ab")))
        << shown.boxes()[0].text.toStdString();
    EXPECT_TRUE(shown.boxes()[1].isNotice());
    EXPECT_TRUE(shown.boxes()[1].text.contains(QStringLiteral("fehlt die Registrierungsstruktur SOFTWARE")));
    FrmMain& form = program.window();
    program.clickTab(3);
    EXPECT_EQ(memoryPage(form), QStringLiteral("0110|0|Default"));
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(8).text(), QStringLiteral("Telefon"));
    program.clickTab(1);
    EXPECT_EQ(shown.count(), 2);

    const ProgramRun run = runProgram({QStringLiteral("--quellen"), logs("damaged/bad-hash/SYSTEM")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("tessera: Hinweis: Registrierungsstruktur"))) << run.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(run.out).contains(QStringLiteral("auf Sequenznummer 10 gebracht")));
}

// A dirty hive named alone, its logs elsewhere: read as it is, with the box.
TEST_F(TransactionLogs, ADirtyHiveWithoutLogsIsReadAsItIsAndTold)
{
    useRegistry({logs("damaged/no-logs/SYSTEM")});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    ASSERT_EQ(shown.count(), 2);  // and that SOFTWARE is missing
    EXPECT_TRUE(shown.boxes()[0].isNotice()) << shown.boxes()[0].title.toStdString();
    EXPECT_TRUE(shown.boxes()[0].text.contains(
        QStringLiteral("die Datei zeigt einen älteren Stand; neuere Änderungen fehlen")));
    // The caption says so for as long as the hive is shown.
    EXPECT_EQ(program.window().windowTitle(), QStringLiteral("Tessera \u2013 SYSTEM (älterer Stand)"));
    program.clickTab(3);
    EXPECT_EQ(memoryPage(program.window()), QStringLiteral("0100|0|Default"));
}
