#include "app/End.h"

#include <QApplication>
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
    QCoreApplication::exit(code);
}

bool programEnded() { return ended; }
int programExitCode() { return exitCode; }

void resetProgramEnded()
{
    ended = false;
    exitCode = 0;
}
