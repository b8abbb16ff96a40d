#include "ShowSoundPage.h"

#include "app/FrmMain.h"

void ShowSoundPage()
{
    frmMain().lblHeader(4).setCaption(QStringLiteral("SOUND"));
}
