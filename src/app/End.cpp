#include "app/End.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace {
bool ended = false;
int exitCode = 0;
}  // namespace

void End(int code)
{
    ended = true;
    exitCode = code;
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    // Before the event loop runs (a question cancelled at start) the start
    // returns the code itself; a quit asked for then would also end the first
    // dialog opened after it.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(code);
}

bool programEnded() { return ended; }
int programExitCode() { return exitCode; }

void resetProgramEnded()
{
    ended = false;
    exitCode = 0;
}
