#include "ShowInfoPage.h"

#include "CollectSystemInfo.h"
#include "InfoReport.h"
#include "InfoTabStops.h"
#include "SystemInfo.h"
#include "app/FrmMain.h"

void ShowInfoPage()
{
    CollectSystemInfo();
    FrmMain& form = frmMain();
    form.lblHeader(4).setCaption(QStringLiteral("INFO"));
    const QString report = BuildInfoReport(Variablen::SysInfo);
    // The toolkit's default stops are far wider than the labels.
    setInfoTabStops(*form.txtInfo);
    form.txtInfo->setText(report);
}
