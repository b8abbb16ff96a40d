#include "app/RunWindow.h"

#include "app/AppSetup.h"
#include "app/Display.h"
#include "app/End.h"
#include "app/FurtherWindows.h"
#include "app/ShownSources.h"
#include "app/Main.h"

#include <QApplication>

#include <memory>

int runWindow(CommandLine& commandLine)
{
    applySecrets(commandLine);
    applySources(commandLine);
    // Several machines named: this window shows the first.
    rememberWindowOptions(commandLine);
    if (const auto named = namedSources()) setNamedSources(openFurtherWindows(*named));
    std::unique_ptr<QApplication> app;
    {
        const DisplayGuard guard;
        app = std::make_unique<QApplication>(commandLine.toolkitArgumentCount, commandLine.toolkitArguments.data());
    }
    // Ties the window to its desktop entry, so the shell shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.oxa.tessera"));
    prepareApplication();
    Main();
    if (programEnded())
        return programExitCode();
    return app->exec();
}
