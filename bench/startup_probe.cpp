// The program's own start (fonts and style, then Main: tool tip, load, Info
// report, show), ended as soon as the first frame is on screen.
#include "FirstFrame.h"

#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Main.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstring>

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    const bool phases = argc > 1 && std::strcmp(argv[1], "--phases") == 0;
    QApplication app(argc, argv);
    markPhase("application", clock, phases);
    prepareApplication();
    markPhase("setup", clock, phases);
    quitAfterFirstFrame(clock, phases);
    Main();
    markPhase("main", clock, phases);
    if (programEnded())
        return 1;  // the start failed: nothing to time
    return app.exec();
}
