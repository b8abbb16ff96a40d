// Every text of the window stands out from its own background by at least
// 4.5:1 under the standard scheme, a dark one and a high-contrast one; the
// white header band keeps dark text whatever the scheme.
#include "RunningProgram.h"
#include "window/Contrast.h"
#include "window/FrmMain.h"
#include "window/FrmMainDesign.h"

#include <QApplication>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

QPalette scheme(QColor window, QColor text, QColor base, QColor baseText, QColor tip, QColor tipText)
{
    QPalette p;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Button, window);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::Text, baseText);
        p.setColor(group, QPalette::ToolTipBase, tip);
        p.setColor(group, QPalette::ToolTipText, tipText);
        p.setColor(group, QPalette::Light, window.lighter(150));
        p.setColor(group, QPalette::Midlight, window.lighter(120));
        p.setColor(group, QPalette::Mid, window.darker(130));
        p.setColor(group, QPalette::Dark, window.darker(160));
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    return p;
}

// Colours of a dark desktop theme (as the gtk3 theme gives them for Adwaita dark).
QPalette darkScheme()
{
    return scheme(QColor(0x35, 0x35, 0x35), QColor(0xEE, 0xEE, 0xEC), QColor(0x2D, 0x2D, 0x2D),
                  QColor(0xEE, 0xEE, 0xEC), QColor(0x26, 0x26, 0x26), QColor(0xFF, 0xFF, 0xFF));
}

// High contrast: white on black, yellow tool tips.
QPalette highContrastScheme()
{
    return scheme(Qt::black, Qt::white, Qt::black, Qt::white, Qt::black, Qt::yellow);
}

// The colour a control's text is drawn in and the colour behind it.
std::pair<QColor, QColor> textAndBackground(QWidget* widget)
{
    const QColor text = widget->palette().color(widget->foregroundRole());
    QWidget* painter = widget;  // the nearest widget that fills its background
    while (painter->parentWidget() && !painter->autoFillBackground() && !painter->isWindow()
           && painter->backgroundRole() == QPalette::Window)
        painter = painter->parentWidget();
    return {text, painter->palette().color(painter->backgroundRole())};
}

void expectReadable(FrmMain& form)
{
    int texts = 0;
    for (const ControlDesign& row : frmMainDesign()) {
        if (row.kind == ControlKind::Shape || row.kind == ControlKind::Image) continue;
        const QString name = controlObjectName(row.name, row.index);
        QWidget* widget = form.findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        const auto [text, background] = textAndBackground(widget);
        EXPECT_GE(contrastRatio(text, background), kMinimumContrast)
            << name.toStdString() << ": " << text.name().toStdString() << " on " << background.name().toStdString();
        ++texts;
    }
    EXPECT_EQ(texts, 39);
}

}  // namespace

TEST(ColourScheme, StandardSchemeTextsAreReadable)
{
    RunningProgram program;
    expectReadable(program.window());
    EXPECT_EQ(program.window().lblHeader(0).palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(ColourScheme, DarkSchemeKeepsTheHeaderDarkOnWhiteAndFollowsTheSchemeElsewhere)
{
    QApplication::setPalette(darkScheme());
    RunningProgram program;
    FrmMain& form = program.window();
    ASSERT_EQ(form.palette().color(QPalette::Window), QColor(0x35, 0x35, 0x35));  // the scheme reached the window
    expectReadable(form);
    for (std::int16_t i : {0, 1, 2, 3})
        EXPECT_EQ(form.lblHeader(i).palette().color(QPalette::WindowText), QColor(Qt::black)) << i;
    EXPECT_EQ(form.lblHeader(4).palette().color(QPalette::WindowText), QColor(0x3A, 0x6E, 0xA5));
    EXPECT_EQ(form.Check1(0).palette().color(QPalette::WindowText), QColor(0xEE, 0xEE, 0xEC));
    EXPECT_EQ(form.txtInfo->palette().color(QPalette::Base), QColor(0x26, 0x26, 0x26));
}

TEST(ColourScheme, HighContrastSchemeTextsAreReadable)
{
    QApplication::setPalette(highContrastScheme());
    RunningProgram program;
    ASSERT_EQ(program.window().palette().color(QPalette::Window), QColor(Qt::black));
    expectReadable(program.window());
}
