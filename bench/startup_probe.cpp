// The program's own start (fonts and style, then Main: tool tip, load, Info
// report, show), ended as soon as the first frame is on screen.
#include "FirstFrame.h"

#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Main.h"
#include "disk/bitlocker/Keyring.h"
#include "disk/bitlocker/SecretFile.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const StartClock clock(argc, argv);
    QApplication app(argc, argv);
    clock.mark("application");
    prepareApplication();
    clock.mark("setup");
    // A BitLocker volume's key file, named by its path (the secret stays in the file).
    if (const QString keyFile = qEnvironmentVariable("TESSERA_PROBE_KEY_FILE"); !keyFile.isEmpty()) {
        QString fault;
        disk::Keyring::instance().add(disk::readSecretFile(keyFile, fault));
    }
    clock.quitAfterFirstFrame();
    Main();
    clock.mark("main");
    if (programEnded())
        return 1;  // the start failed: nothing to time
    return app.exec();
}
