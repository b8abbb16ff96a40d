// The window for keyboard users: OK is the default button, Tab and Shift+Tab
// go round each page's controls in the design's order and never type into the
// report.
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "window/FrmMain.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString focusName()
{
    QWidget* focus = QApplication::focusWidget();
    while (focus && focus->objectName().isEmpty())  // the combo box's own line edit
        focus = focus->parentWidget();
    return focus ? focus->objectName() : QStringLiteral("<none>");
}

// The controls Tab visits from the tab strip until it is back there (at most 40 steps).
std::vector<QString> cycle(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    std::vector<QString> visited{focusName()};
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        visited.push_back(focusName());
        if (visited.back() == visited.front()) break;
    }
    return visited;
}

std::vector<QString> names(std::initializer_list<const char*> list)
{
    std::vector<QString> out;
    for (const char* name : list) out.push_back(QString::fromLatin1(name));
    return out;
}

}  // namespace

TEST(Keyboard, OkIsTheDefaultButtonDrawnAndAnnounced)
{
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_TRUE(form.cmdMain(2).isDefault());
    EXPECT_FALSE(form.cmdMain(1).isDefault());
    EXPECT_FALSE(form.cmdMain(0).isDefault());
    QAccessibleInterface* ok = QAccessible::queryAccessibleInterface(&form.cmdMain(2));
    QAccessibleInterface* cancel = QAccessible::queryAccessibleInterface(&form.cmdMain(1));
    ASSERT_TRUE(ok && cancel);
    EXPECT_TRUE(ok->state().defaultButton);
    EXPECT_FALSE(cancel->state().defaultButton);
    // The classic style frames the default button: its corner is drawn darker
    // than the same corner of a button of the same size that is not the default.
    const QImage okImage = form.cmdMain(2).grab().toImage();
    const QImage cancelImage = form.cmdMain(1).grab().toImage();
    EXPECT_LT(qGray(okImage.pixel(0, 0)), qGray(cancelImage.pixel(0, 0)));
}

// As on the original platform, a command button with the focus is the default
// while it has it, so Enter clicks the button the user is on; anywhere else
// Enter clicks OK.
TEST(Keyboard, TheFocusedButtonTakesEnterAndTheDefaultFrame)
{
    RunningProgram program;
    FrmMain& form = program.window();
    form.cmdMain(0).setFocus();
    EXPECT_TRUE(form.cmdMain(0).isDefault());
    EXPECT_FALSE(form.cmdMain(2).isDefault());
    form.txtInfo->setFocus();
    EXPECT_TRUE(form.cmdMain(2).isDefault());
    EXPECT_FALSE(form.cmdMain(0).isDefault());

    int ok = 0, apply = 0;
    QObject::connect(&form.cmdMain(2), &CommandButton::Click, [&] { ++ok; });
    QObject::connect(&form.cmdMain(0), &CommandButton::Click, [&] { ++apply; });
    ModalBoxes boxes;
    form.cmdMain(0).setFocus();
    QTest::keyClick(&form.cmdMain(0), Qt::Key_Return);
    EXPECT_EQ(apply, 1);
    EXPECT_EQ(ok, 0);
    form.tabMain->setFocus();
    QTest::keyClick(form.tabMain, Qt::Key_Return);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(boxes.count(), 2);
    form.cmdMain(1).setFocus();
    QTest::keyClick(&form.cmdMain(1), Qt::Key_Enter);
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(ok, 1);
}

TEST(Keyboard, TabGoesRoundEveryPageAndLeavesTheReportAsItWas)
{
    // The built-in values change no box on the first visit, so the cache size
    // box keeps its design state, enabled, and takes the focus.
    useRegistry({});
    QTemporaryDir noPrefix;
    qputenv("WINEPREFIX", QFile::encodeName(noPrefix.path()));
    RunningProgram program;
    FrmMain& form = program.window();
    const QString report = form.txtInfo->text();
    const auto buttons = names({"cmdMain(0)", "cmdMain(1)", "cmdMain(2)"});
    struct Page {
        int tab;
        std::vector<QString> order;  // after the tab strip, before the buttons
        std::vector<QString> after;  // after the buttons
    };
    const Page pages[] = {
        {1, names({"txtInfo"}), {}},
        {2, {}, {}},
        {3, names({"Check1(0)", "Check1(1)", "Check1(3)", "Check1(4)", "Check1(5)", "Check1(6)", "Check1(7)",
                   "Check1(8)", "Check1(9)", "cmbIO", "cmbL2"}),
         {}},
        {4, {}, names({"tbSound(0)", "tbSound(1)", "tbSound(2)", "tbSound(3)", "tbSound(4)", "tbSound(5)",
                       "tbSound(6)", "tbSound(7)", "tbSound(8)", "tbSound(9)", "tbSound(10)"})},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.tab);
        program.clickTab(page.tab);
        form.tabMain->setFocus();
        std::vector<QString> forward{QStringLiteral("tabMain")};
        forward.insert(forward.end(), page.order.begin(), page.order.end());
        forward.insert(forward.end(), buttons.begin(), buttons.end());
        forward.insert(forward.end(), page.after.begin(), page.after.end());
        forward.push_back(QStringLiteral("tabMain"));
        EXPECT_EQ(cycle(Qt::Key_Tab), forward);
        const std::vector<QString> backward(forward.rbegin(), forward.rend());
        EXPECT_EQ(cycle(Qt::Key_Backtab, Qt::ShiftModifier), backward);
    }
    program.clickTab(1);
    EXPECT_EQ(form.txtInfo->text(), report);
    // From inside the report, Tab and Shift+Tab leave it and type nothing.
    form.txtInfo->setFocus();
    QTest::keyClick(form.txtInfo, Qt::Key_Tab);
    EXPECT_EQ(focusName(), QStringLiteral("cmdMain(0)"));
    form.txtInfo->setFocus();
    QTest::keyClick(form.txtInfo, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focusName(), QStringLiteral("tabMain"));
    EXPECT_EQ(form.txtInfo->text(), report);
}
