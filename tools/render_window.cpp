// Renders the real window, page by page, to PNG files: render_window <folder>.
#include "app/AppSetup.h"
#include "app/Main.h"
#include "window/FrmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    prepareApplication();
    Main();
    FrmMain& form = frmMain();
    const char* pages[] = {"info", "start", "speicher", "sound"};
    for (int tab : {1, 2, 3, 4, 1}) {
        form.tabMain->setCurrentIndex(tab - 1);  // raises the tab strip's click as a user's click does
        QApplication::processEvents();
        const QString name = tab == 1 ? QStringLiteral("window.png")
                                      : QStringLiteral("window-%1.png").arg(QString::fromLatin1(pages[tab - 1]));
        if (!form.grab().save(out.filePath(name)))
            return 1;
    }
    return 0;
}
