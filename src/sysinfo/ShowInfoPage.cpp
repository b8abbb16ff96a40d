#include "ShowInfoPage.h"

#include "app/FrmMain.h"

void ShowInfoPage()
{
    frmMain().lblHeader(4).setCaption(QStringLiteral("INFO"));
}
