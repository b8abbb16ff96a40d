#include "app/Handlers.h"

#include "app/End.h"
#include "app/Int16.h"
#include "app/ShownSources.h"
#include "memory/ShowMemoryPage.h"
#include "sound/ShowSoundPage.h"
#include "sysinfo/ShowInfoPage.h"
#include "window/FrmMain.h"

#include <QMessageBox>

void tabMain_Click()
{
    FrmMain& form = frmMain();
    const std::int16_t page = sub16(form.tabMain->selectedIndex(), 1);
    for (std::int16_t k = 0; k < form.tabMain->tabCount(); ++k)
        form.fmTab(k).setVisible(false);
    form.fmTab(page).setVisible(true);
    switch (page) {
    case 0: ShowInfoPage(shownMachine()); break;
    case 1: ShowStartPage(); break;
    case 2: ShowMemoryPage(shownMachine()); break;
    case 3: ShowSoundPage(shownMachine()); break;
    default: break;
    }
}

void ShowStartPage()
{
    frmMain().lblHeader(4).setCaption(QStringLiteral("START"));
}

void cmdMain_Click(std::int16_t index)
{
    switch (index) {
    case 0:
    case 2: {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tessera"), QStringLiteral("DUMMY"), QMessageBox::Ok,
                        &frmMain());
        box.exec();
        break;
    }
    case 1: End(); break;
    default: break;
    }
}
