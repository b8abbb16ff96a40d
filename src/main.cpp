#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Main.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its desktop entry, so the shell shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.oxa.tessera"));
    prepareApplication();
    Main();
    if (programEnded())
        return programExitCode();
    return app.exec();
}
