#include "ShowMemoryPage.h"

#include "app/FrmMain.h"

void ShowMemoryPage()
{
    frmMain().lblHeader(4).setCaption(QStringLiteral("SPEICHER"));
}

void Check1_Click(std::int16_t)
{
}
