// The floor for the start-up probe: a bare dialog with one label, shown and
// ended the same way. Built twice: with Qt's defaults, and with the program's
// fonts and style (TESSERA_FLOOR_LOOK) to tell their cost apart.
#include "FirstFrame.h"

#ifdef TESSERA_FLOOR_LOOK
#include "app/AppSetup.h"
#endif

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>

#include <cstring>

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    const bool phases = argc > 1 && std::strcmp(argv[1], "--phases") == 0;
    QApplication app(argc, argv);
    markPhase("application", clock, phases);
#ifdef TESSERA_FLOOR_LOOK
    prepareApplication();
#endif
    markPhase("setup", clock, phases);
    quitAfterFirstFrame(clock, phases);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Tessera"));
    auto* label = new QLabel(QStringLiteral("Boden"), &dialog);
    label->move(10, 10);
    dialog.show();
    markPhase("main", clock, phases);
    return app.exec();
}
