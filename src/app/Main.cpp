#include "app/Main.h"

#include "app/End.h"
#include "app/Handlers.h"
#include "app/SourceNotices.h"
#include "window/FrmMain.h"

#include <QGuiApplication>
#include <QScreen>

void SetToolTips()
{
    // The first touch of the window creates and loads it.
    frmMain().Check1(0).setToolTip(
        QStringLiteral("Dieses Sicherheitseinstellung leert die Auslagerungsdatei beim herunterfahren"));
}

void Main()
{
    installEventHandlers();
    SetToolTips();
    if (programEnded())
        return;
    FrmMain& form = frmMain();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        form.move(area.center() - QPoint(form.width() / 2, form.height() / 2));
    }
    form.show();
    form.activateWindow();
    form.tabMain->setFocus();
    // A source left out while loading is told once the window is up.
    reportSourceNotices();
}
