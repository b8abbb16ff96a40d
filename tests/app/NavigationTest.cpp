// Start-up state, page switching, the buttons, Enter and Esc, the error box.
#include "app/End.h"
#include "app/Main.h"
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "window/FrmMain.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::vector<bool> pagesVisible(FrmMain& form)
{
    std::vector<bool> visible;
    for (std::int16_t i = 0; i < 4; ++i)
        visible.push_back(form.fmTab(i).isVisible());
    return visible;
}

TEST(StartUp, OnlyInfoIsShownAndTheFocusIsOnTheTabStrip)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(pagesVisible(form), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("INFO"));
    EXPECT_EQ(form.tabMain->selectedIndex(), 1);
    EXPECT_EQ(form.focusWidget(), form.tabMain);
    for (std::int16_t i = 0; i < 11; ++i)
        EXPECT_EQ(form.tbSound(i).text(), QStringLiteral("Text1"));
    EXPECT_EQ(form.cmbL2->text(), QString());
}

TEST(Navigation, EachTabShowsItsPageAndTitle)
{
    RunningProgram program;
    FrmMain& form = program.window();
    const char* titles[] = {"INFO", "START", "SPEICHER", "SOUND"};
    for (int tab : {4, 2, 3, 1}) {
        program.clickTab(tab);
        std::vector<bool> expected(4, false);
        expected[tab - 1] = true;
        EXPECT_EQ(pagesVisible(form), expected) << "tab " << tab;
        EXPECT_EQ(form.lblHeader(4).caption(), QString::fromLatin1(titles[tab - 1]));
    }
}

TEST(Navigation, TabKeyVisitsTheVisibleControlsInOrder)
{
    RunningProgram program;
    FrmMain& form = program.window();
    program.clickTab(3);
    form.tabMain->setFocus();
    std::vector<QString> visited;
    for (int i = 0; i < 14; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->objectName().isEmpty())  // the combo box's own line edit
            focus = focus->parentWidget();
        visited.push_back(focus ? focus->objectName() : QString());
    }
    const std::vector<QString> expected = {
        QStringLiteral("Check1(0)"), QStringLiteral("Check1(1)"), QStringLiteral("Check1(3)"),
        QStringLiteral("Check1(4)"), QStringLiteral("Check1(5)"), QStringLiteral("Check1(6)"),
        QStringLiteral("Check1(7)"), QStringLiteral("Check1(8)"), QStringLiteral("Check1(9)"),
        QStringLiteral("cmbIO"),     QStringLiteral("cmbL2"),     QStringLiteral("cmdMain(0)"),
        QStringLiteral("cmdMain(1)"), QStringLiteral("cmdMain(2)")};
    EXPECT_EQ(visited, expected);
}

TEST(Commands, OkApplyAndEnterShowOneDummyBoxEach)
{
    RunningProgram program;
    FrmMain& form = program.window();
    ModalBoxes boxes;
    form.cmdMain(2).click();
    form.cmdMain(0).click();
    QTest::keyClick(form.txtInfo, Qt::Key_Return);
    QTest::keyClick(form.cmbIO->lineEdit(), Qt::Key_Enter);
    ASSERT_EQ(boxes.count(), 4);
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.title, QStringLiteral("Tessera"));
        EXPECT_EQ(box.text, QStringLiteral("DUMMY"));
    }
    EXPECT_FALSE(program.ended());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.txtInfo->text().count(QStringLiteral("\r\n")), form.txtInfo->toPlainText().count(u'\n'));
}

TEST(Commands, CancelAndEscEndTheProgram)
{
    {
        RunningProgram program;
        program.window().cmdMain(1).click();
        EXPECT_TRUE(program.ended());
        EXPECT_FALSE(program.window().isVisible());
    }
    {
        RunningProgram program;
        QTest::keyClick(program.window().Check1(0).window(), Qt::Key_Escape);
        EXPECT_TRUE(program.ended());
    }
}

TEST(Errors, AnErrorInAClickHandlerIsShownAndTheProgramGoesOn)
{
    RegistryFile registry(QString{});  // a registry without the sound names
    RunningProgram program;
    FrmMain& form = program.window();
    ModalBoxes boxes;
    program.clickTab(4);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Tessera"));
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("Laufzeitfehler '-2147024894 (80070002)':\n\n")))
        << boxes.boxes()[0].text.toStdString();
    EXPECT_FALSE(program.ended());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.fmTab(3).isVisible());
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("SOUND"));
    program.clickTab(2);
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("START"));
}

// A named source that cannot be read is no run-time error: a critical box
// with the message to copy, and the program ends before its window loads.
TEST(Errors, ASourceThatCannotBeReadEndsTheProgramBeforeTheWindowLoads)
{
    resetProgramEnded();
    ModalBoxes boxes;
    useRegistry({fixture("app/does-not-exist.reg")});
    Main();
    useRegistry({});
    EXPECT_TRUE(programEnded());
    EXPECT_EQ(programExitCode(), 1);
    EXPECT_FALSE(frmMainExists());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].isSourceFailure()) << boxes.boxes()[0].text.toStdString();
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("does-not-exist.reg"))) << boxes.boxes()[0].text.toStdString();
    unloadFrmMain();
}

}  // namespace
