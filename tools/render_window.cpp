// Renders the real window, page by page, to PNG files: render_window <folder>.
// With --dark, only the Info page under a dark desktop scheme (window-dark.png).
#include "app/AppSetup.h"
#include "app/Main.h"
#include "window/FrmMain.h"

#include <QApplication>
#include <QDir>
#include <QPalette>

namespace {

// The colours a gtk3 desktop with the Adwaita dark theme hands to Qt.
QPalette darkScheme()
{
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), text(0xEE, 0xEE, 0xEC);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Base, QColor(0x2D, 0x2D, 0x2D));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ToolTipBase, QColor(0x26, 0x26, 0x26));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::Light, window.lighter(150));
    p.setColor(QPalette::Midlight, window.lighter(120));
    p.setColor(QPalette::Mid, window.darker(130));
    p.setColor(QPalette::Dark, window.darker(160));
    p.setColor(QPalette::Shadow, Qt::black);
    return p;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const bool dark = args.contains(QStringLiteral("--dark"));
    const QDir out(args.size() > 1 && args[1] != u"--dark" ? args[1] : QStringLiteral("."));
    prepareApplication();
    if (dark)
        QApplication::setPalette(darkScheme());
    Main();
    FrmMain& form = frmMain();
    if (dark)
        return form.grab().save(out.filePath(QStringLiteral("window-dark.png"))) ? 0 : 1;
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
