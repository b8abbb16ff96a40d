// The second floor for the start-up probe: the window's controls built from
// plain Qt widgets (same classes underneath, same geometry, captions, fonts,
// stacking and hidden pages, an Info text of the report's size), but none of
// the program's own layers: no shell, no collection, no pictures, no handlers.
// Built twice: with Qt's defaults (its style, "Tahoma" as fontconfig finds
// it), and with the program's style and the window's fonts (TESSERA_FLOOR_LOOK).
// The probe against the second is what the program itself adds.
#include "FirstFrame.h"

#include "window/FrmMainDesign.h"

#ifdef TESSERA_FLOOR_LOOK
#include "app/AppSetup.h"
#include "window/WindowFonts.h"
#endif

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

#include <cstring>

namespace {

QWidget* plainControl(const ControlDesign& row, QWidget* parent)
{
    switch (row.kind) {
    case ControlKind::Label: return new QLabel(row.caption, parent);
    case ControlKind::CheckBox: return new QCheckBox(row.caption, parent);
    case ControlKind::ComboBox: {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        for (int i = 0; i < 32; ++i) box->addItem(QString::number(512 * (i + 1)));
        return box;
    }
    case ControlKind::TextBox: return new QLineEdit(row.caption, parent);
    case ControlKind::MultiLineTextBox: {
        QString text;  // 27 lines of a label, tabs and a value, as the report has
        for (int i = 0; i < 27; ++i)
            text += QStringLiteral("Bezeichnung %1:\t\tGenuineIntel x86 Family 6 Model 85\r\n").arg(i);
        return new QPlainTextEdit(text, parent);
    }
    case ControlKind::Frame: return new QGroupBox(row.caption, parent);
    case ControlKind::CommandButton: return new QPushButton(row.caption, parent);
    case ControlKind::TabStrip: {
        auto* tabs = new QTabBar(parent);
        for (const char* tab : {"Info", "Start", "Speicher", "Sound"}) tabs->addTab(QString::fromLatin1(tab));
        return tabs;
    }
    case ControlKind::Shape:
    case ControlKind::Image: return new QWidget(parent);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[])
{
    const StartClock clock(argc, argv);
    QApplication app(argc, argv);
    clock.mark("application");
#ifdef TESSERA_FLOOR_LOOK
    prepareApplication();
    useWindowFonts();
#endif
    clock.mark("setup");
    clock.quitAfterFirstFrame();
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Tessera"));
    dialog.setFixedSize(506, 519);  // the window's client size
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(kWindowFontPixels);
    dialog.setFont(windowFont);
    QHash<QString, QWidget*> byName;
    for (const ControlDesign& row : frmMainDesign()) {
        QWidget* parent = *row.container ? byName.value(QString::fromLatin1(row.container)) : &dialog;
        QWidget* widget = plainControl(row, parent);
        widget->setGeometry(row.left, row.top, row.width, row.height);
        if (row.fontPixels != 0) {
            QFont font(QStringLiteral("Tahoma"));
            font.setPixelSize(row.fontPixels);
            font.setBold(row.bold);
            widget->setFont(font);
        }
        const QString name = controlObjectName(row.name, row.index);
        byName.insert(name, widget);
        // The pages other than the first are hidden, as in the window.
        if (row.kind == ControlKind::Frame && std::strcmp(row.name, "fmTab") == 0 && row.index != 0)
            widget->hide();
    }
    dialog.show();
    clock.mark("main");
    return app.exec();
}
