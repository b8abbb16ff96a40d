#include "sysinfo/ShowInfoPage.h"

#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/InfoReport.h"
#include "sysinfo/InfoTabStops.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

void ShowInfoPage(const shell::MachineRef& machine)
{
    CollectSystemInfo(machine);
    FrmMain& form = frmMain();
    form.lblHeader(4).setCaption(QStringLiteral("INFO"));
    const QString report = BuildInfoReport(Variablen::SysInfo);
    // The toolkit's default stops are far wider than the labels.
    setInfoTabStops(*form.txtInfo);
    form.txtInfo->setText(report);
}
