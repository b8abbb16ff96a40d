// The floor for the start-up probe: a bare dialog with one label, shown and
// ended the same way. Built twice: with Qt's defaults, and with the program's
// style and the window's fonts (TESSERA_FLOOR_LOOK) to tell their cost apart.
#include "FirstFrame.h"

#ifdef TESSERA_FLOOR_LOOK
#include "app/AppSetup.h"
#include "window/WindowFonts.h"
#endif

#include <QApplication>
#include <QDialog>
#include <QLabel>

int main(int argc, char* argv[])
{
    const StartClock clock(argc, argv);
    QApplication app(argc, argv);
    clock.mark("application");
#ifdef TESSERA_FLOOR_LOOK
    prepareApplication();
    useWindowFonts();
#endif
    clock.mark("setup");
    clock.quitAfterFirstFrame();
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Tessera"));
    auto* label = new QLabel(QStringLiteral("Boden"), &dialog);
    label->move(10, 10);
    dialog.show();
    clock.mark("main");
    return app.exec();
}
