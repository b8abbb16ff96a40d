#include "app/Handlers.h"

#include "app/Int16.h"
#include "app/ShownSources.h"
#include "app/Version.h"
#include "sysinfo/ShowInfoPage.h"
#include "window/FrmMain.h"

#include <cmath>

void Form_Load()
{
    FrmMain& form = frmMain();
    form.setOuterSize(7680, 8160);
    const std::int16_t W = checkedInt16(std::lround(form.ScaleWidth()));
    const std::int16_t H = checkedInt16(std::lround(form.ScaleHeight()));

    form.shHeader->setGeometry(0, 0, sub16(W, 50), 50);
    form.imgHeader->move(sub16(W, 50), 0);
    form.tabMain->setGeometry(form.tabMain->x(), 50, W, sub16(H, 90));
    for (std::int16_t i = 0; i <= form.fmTab.Count() - 1; ++i) {
        form.fmTab(i).setGeometry(8, 88, sub16(W, 15), sub16(H, 135));
        if (i != 0)
            form.fmTab(i).setVisible(false);
    }

    form.lblHeader(2).setCaption(QStringLiteral("v%1.%2.%3")
                                     .arg(VersionRecord::Major)
                                     .arg(VersionRecord::Minor)
                                     .arg(VersionRecord::Revision));
    form.lblHeader(3).setCaption(QStringLiteral("by ") + QString::fromUtf8(VersionRecord::CompanyName));
    ShowInfoPage(shownMachine());
}
