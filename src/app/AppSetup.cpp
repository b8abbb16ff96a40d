#include "app/AppSetup.h"

#include "window/Accessibility.h"
#include "window/DesktopStyle.h"
#include "window/WindowFonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

void prepareApplication()
{
    // The toolkit's own texts (context menus, dialog buttons, the file dialog) in German, as the program's.
    static QTranslator qtTexts;
    static const bool loaded =
        qtTexts.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(&qtTexts);
    (void)loaded;
    // Before any text is drawn: the toolkit reads the font list once, at the first text (a question's dialog).
    useWindowFonts();
    installAccessibility();  // the dialogs before the window, too
    rememberDesktopStyle();
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}
