#include "app/AppSetup.h"
#include "app/End.h"
#include "app/Main.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    prepareApplication();
    Main();
    if (programEnded())
        return programExitCode();
    return app.exec();
}
