// The Info page in the real window: written at start-up, rewritten on every visit.
#include "ControlledMachine.h"
#include "RunningProgram.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <gtest/gtest.h>

namespace {

TEST(InfoPage, ClickingInfoAfterAnotherPageCollectsAndRewritesTheReport)
{
    ControlledMachine machine;
    useRegistry({fixture("sysinfo/full.reg")});
    RunningProgram program;
    FrmMain& form = program.window();
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("INFO"));
    EXPECT_EQ(form.txtInfo->text(), BuildInfoReport(Variablen::SysInfo));
    EXPECT_TRUE(form.txtInfo->text().startsWith(QStringLiteral(" CPU - Anzahl\t: 2\r\n")));

    program.clickTab(2);
    form.txtInfo->setText(QStringLiteral("typed over"));
    qputenv("NUMBER_OF_PROCESSORS", "8");
    program.clickTab(1);
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("INFO"));
    EXPECT_TRUE(form.txtInfo->text().startsWith(QStringLiteral(" CPU - Anzahl\t: 8\r\n")));
    EXPECT_EQ(form.txtInfo->text().count(QStringLiteral("\r\n")), 27);
    useRegistry({});
}

}  // namespace
