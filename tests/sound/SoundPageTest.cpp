// The Sound page in the real window, against registry files written per test.
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "window/FrmMain.h"

#include <gtest/gtest.h>

namespace {

// Key suffixes in reading order with the name each test file gives them.
const char* const kKeys[] = {
    "{185FEDE3-9905-11D1-95A9-00C04FB925D3}", "{DFF21FE4-F70F-11D0-B917-00A0C9223196}",
    "{185FEDED-9905-11D1-95A9-00C04FB925D3}", "{62D35A12-E42B-11D1-B073-00608CCBD2F1}",
    "{62D35A14-E42B-11D1-B073-00608CCBD2F1}", "{62D35A15-E42B-11D1-B073-00608CCBD2F1}",
    "{62D35A16-E42B-11D1-B073-00608CCBD2F1}", "{62D35A17-E42B-11D1-B073-00608CCBD2F1}",
    "{62D35A18-E42B-11D1-B073-00608CCBD2F1}", "{62D35A19-E42B-11D1-B073-00608CCBD2F1}",
    "{62D35A1A-E42B-11D1-B073-00608CCBD2F1}"};

QString names(int missing = -1, const QString& prefix = QStringLiteral("Name"), const QString& numeric = {})
{
    QString body;
    for (int i = 0; i < 11; ++i) {
        body += QStringLiteral("[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\%1]\r\n")
                    .arg(QString::fromLatin1(kKeys[i]));
        if (i == missing)
            continue;
        if (i == 0 && !numeric.isEmpty())
            body += QStringLiteral("\"Name\"=dword:%1\r\n").arg(numeric);
        else
            body += QStringLiteral("\"Name\"=\"%1 %2\"\r\n").arg(prefix).arg(i + 1);
    }
    return body;
}

std::vector<QString> boxes(FrmMain& form)
{
    std::vector<QString> texts;
    for (std::int16_t i = 0; i <= 10; ++i)
        texts.push_back(form.tbSound(i).text());
    return texts;
}

TEST(SoundPage, ShowsEveryNameInItsBox)
{
    RegistryFile registry(names());
    RunningProgram program;
    program.clickTab(4);
    FrmMain& form = program.window();
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("SOUND"));
    // Box i shows the name read at this position (1-based) of the reading order.
    const int readPosition[] = {1, 2, 3, 5, 6, 8, 7, 9, 4, 11, 10};
    for (std::int16_t i = 0; i <= 10; ++i)
        EXPECT_EQ(form.tbSound(i).text(), QStringLiteral("Name %1").arg(readPosition[i])) << "box " << i;
}

TEST(SoundPage, OneMissingNameLeavesEveryBoxAsItWas)
{
    for (int missing : {0, 5, 10}) {
        RegistryFile registry(names(missing));
        RunningProgram program;
        ModalBoxes shown;
        program.clickTab(4);
        EXPECT_EQ(boxes(program.window()), std::vector<QString>(11, QStringLiteral("Text1"))) << missing;
        ASSERT_EQ(shown.count(), 1);
        EXPECT_TRUE(shown.boxes()[0].text.contains(QString::fromLatin1(kKeys[missing])));
        EXPECT_FALSE(program.ended());
    }
}

TEST(SoundPage, ANumberIsShownAsDecimalAndARevisitReadsAgain)
{
    RegistryFile registry(names(-1, QStringLiteral("Name"), QStringLiteral("0000002a")));
    RunningProgram program;
    FrmMain& form = program.window();
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("42"));

    form.tbSound(3).setText(QStringLiteral("typed by the user"));
    registry.rewrite(names(-1, QStringLiteral("Neu")));
    program.clickTab(1);
    program.clickTab(4);
    EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("Neu 1"));
    EXPECT_EQ(form.tbSound(3).text(), QStringLiteral("Neu 5"));
}

TEST(SoundPage, BuiltInNamesWithoutARegistryFile)
{
    useRegistry({});
    qputenv("WINEPREFIX", "/nonexistent-wine-prefix");
    RunningProgram program;
    ModalBoxes shown;
    program.clickTab(4);
    program.clickTab(3);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(program.window().tbSound(0).text(), QStringLiteral("Summe"));
    EXPECT_EQ(program.window().tbSound(2).text(), QStringLiteral("Mikrofon"));
    EXPECT_EQ(program.window().Check1(0).value(), 0);
    EXPECT_EQ(program.window().cmbL2->text(), QStringLiteral("Default"));
}

}  // namespace
