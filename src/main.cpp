#include "app/AppSetup.h"
#include "app/CommandLine.h"
#include "app/End.h"
#include "app/Main.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Help and version need no display.
    if (const auto exitCode = answerInformationOptions(argc, argv)) return *exitCode;
    QApplication app(argc, argv);
    if (const auto exitCode = applyCommandLine(QApplication::arguments())) return *exitCode;
    // Ties the window to its desktop entry, so the shell shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.oxa.tessera"));
    prepareApplication();
    Main();
    if (programEnded())
        return programExitCode();
    return app.exec();
}
