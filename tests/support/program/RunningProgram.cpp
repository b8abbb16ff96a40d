#include "RunningProgram.h"

#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Main.h"
#include "app/ShownSources.h"
#include "window/FrmMain.h"

#include <QTest>

RunningProgram::RunningProgram()
{
    resetProgramEnded();
    prepareApplication();
    Main();
    if (!programEnded())
        (void)QTest::qWaitForWindowActive(&frmMain(), 1000);
}

RunningProgram::~RunningProgram()
{
    unloadFrmMain();
    setFrmMainLoadHandler({});
    resetProgramEnded();
    setNamedSources(std::nullopt);  // a drop or a choice named others
}

FrmMain& RunningProgram::window() const
{
    return frmMain();
}

void RunningProgram::clickTab(int oneBasedIndex) const
{
    TabStrip* tabs = frmMain().tabMain;
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(oneBasedIndex - 1).center());
}

bool RunningProgram::ended() const
{
    return programEnded();
}
