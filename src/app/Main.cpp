#include "app/Main.h"

#include "app/End.h"
#include "app/Handlers.h"
#include "app/MachineShown.h"
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
    // Another machine's sources are opened before the window loads: what they need is asked first.
    if (!openNamedSourcesAtStart())
        return;
    SetToolTips();
    if (programEnded())
        return;
    FrmMain& form = frmMain();
    showMachineInCaption(form);
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
