// The Speicher page in the real window, against registry files written per test.
#include "PointedMachine.h"
#include "memory/Mem.h"
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "window/FrmMain.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

QString memoryKey(const QString& values)
{
    return QStringLiteral("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management]\r\n")
           + values;
}

QString settings(int clear, int paging, int cache, int ioLimit, int l2)
{
    auto dword = [](int v) { return QStringLiteral("%1").arg(static_cast<quint32>(v), 8, 16, QChar(u'0')); };
    return memoryKey(QStringLiteral("\"ClearPageFileAtShutdown\"=dword:%1\r\n\"DisablePagingExecutive\"=dword:%2\r\n"
                                    "\"LargeSystemCache\"=dword:%3\r\n\"IOPageLockLimit\"=dword:%4\r\n"
                                    "\"SecondLevelDataCache\"=dword:%5\r\n")
                         .arg(dword(clear), dword(paging), dword(cache), dword(ioLimit), dword(l2)));
}

struct MemoryPage : ::testing::Test {
    RegistryFile registry{settings(0, 0, 0, 0, 0)};
    RunningProgram program;
    FrmMain& form = program.window();
    int clicks = 0;

    void SetUp() override
    {
        for (std::int16_t i : form.Check1.indices())
            QObject::connect(&form.Check1(i), &CheckBox::Click, &form, [this] { ++clicks; });
    }
    void visit(const QString& body)
    {
        registry.rewrite(body);
        program.clickTab(1);
        program.clickTab(3);
    }
};

TEST_F(MemoryPage, ShowsTheValuesInTheirBoxes)
{
    visit(settings(1, 0, 0, 0, 0));
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("SPEICHER"));
    EXPECT_EQ(form.Check1(0).value(), 1);
    EXPECT_EQ(form.Check1(1).value(), 0);
    EXPECT_EQ(form.Check1(3).value(), 0);
    EXPECT_EQ(form.Check1(9).value(), 0);
    EXPECT_EQ(form.cmbIO->text(), QStringLiteral("0"));
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("Default"));
    EXPECT_FALSE(form.cmbL2->isEnabled());  // box 0 changed, so the handler ran
}

TEST_F(MemoryPage, SecondLevelCacheSizeWinsOverTheHandlersDefault)
{
    visit(settings(0, 0, 0, 524288, 256));
    EXPECT_EQ(form.Check1(9).value(), 1);
    EXPECT_TRUE(form.cmbL2->isEnabled());
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("256"));
    EXPECT_EQ(form.cmbIO->text(), QStringLiteral("524288"));

    visit(settings(0, 0, 0, 0, -1));
    EXPECT_EQ(form.Check1(9).value(), 0);
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("Default"));
}

TEST_F(MemoryPage, AFirstVisitThatChangesNothingLeavesTheComboEnabled)
{
    visit(settings(0, 0, 0, 0, 0));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(form.cmbL2->isEnabled());
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("Default"));
}

TEST_F(MemoryPage, GreyedIsShownAndAnyOtherValueIsRefusedAfterTheEarlierBoxes)
{
    visit(settings(0, 0, 2, 0, 0));
    EXPECT_EQ(form.Check1(3).value(), 2);

    ModalBoxes boxes;
    visit(settings(1, 1, 3, 4096, 0));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Laufzeitfehler '380':\n\nUngültiger Eigenschaftswert"));
    EXPECT_EQ(form.Check1(0).value(), 1);
    EXPECT_EQ(form.Check1(1).value(), 1);
    EXPECT_EQ(form.cmbIO->text(), QStringLiteral("4096"));
    EXPECT_EQ(form.Check1(3).value(), 2);
    EXPECT_FALSE(program.ended());
}

TEST_F(MemoryPage, UserClicksCoupleBoxNineToTheCacheCombo)
{
    visit(settings(0, 0, 0, 0, 512));
    QTest::mouseClick(&form.Check1(9), Qt::LeftButton);
    EXPECT_FALSE(form.cmbL2->isEnabled());
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("Default"));
    QTest::mouseClick(&form.Check1(9), Qt::LeftButton);
    EXPECT_TRUE(form.cmbL2->isEnabled());
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("128"));

    form.cmbL2->setText(QStringLiteral("2048"));
    QTest::mouseClick(&form.Check1(7), Qt::LeftButton);  // any box re-runs the handler
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("128"));

    // A revisit restores what the registry says, and keeps the click on box 7.
    QTest::mouseClick(&form.Check1(0), Qt::LeftButton);
    visit(settings(0, 0, 0, 0, 512));
    EXPECT_EQ(form.Check1(0).value(), 0);
    EXPECT_EQ(form.Check1(7).value(), 1);
    EXPECT_EQ(form.cmbL2->text(), QStringLiteral("512"));
}

TEST_F(MemoryPage, AMissingValueIsReportedAndNothingIsWritten)
{
    visit(settings(0, 0, 0, 0, 0));
    ModalBoxes boxes;
    visit(memoryKey(QStringLiteral("\"ClearPageFileAtShutdown\"=dword:00000001\r\n"
                                   "\"DisablePagingExecutive\"=dword:00000001\r\n")));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("LargeSystemCache"))) << boxes.boxes()[0].text.toStdString();
    EXPECT_EQ(form.Check1(0).value(), 0);
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("SPEICHER"));
    EXPECT_FALSE(program.ended());
}

TEST(MemReader, AFailedReadKeepsTheValuesReadBeforeIt)
{
    RegistryFile registry(settings(1, 1, 1, 524288, 4));
    Mem mem(pointedMachine());
    EXPECT_EQ(mem.IoPageLockLimit, 524288);
    mem.LargeSystemCache = 7;
    registry.rewrite(memoryKey(QStringLiteral("\"ClearPageFileAtShutdown\"=dword:00000000\r\n"
                                              "\"DisablePagingExecutive\"=dword:00000002\r\n")));
    EXPECT_THROW(mem.ReadAll(pointedMachine()), runtime::RuntimeError);
    EXPECT_EQ(mem.ClearPageFileAtShutdown, 0);
    EXPECT_EQ(mem.DisablePagingExecutive, 2);
    EXPECT_EQ(mem.LargeSystemCache, 7);
    EXPECT_EQ(mem.IoPageLockLimit, 524288);

    registry.rewrite(settings(0, 0, 0, 0, 524288));
    try {
        Mem overflowing(pointedMachine());
        FAIL() << "524288 does not fit SecondLevelDataCache";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.number(), 6);
    }
}

}  // namespace
