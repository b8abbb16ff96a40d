#include "window/DesktopStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace {
QString g_desktopStyle;  // its name; empty: the application's
}  // namespace

void rememberDesktopStyle()
{
    if (g_desktopStyle.isEmpty()) g_desktopStyle = QApplication::style()->name();
}

void useDesktopStyle(QWidget* dialog)
{
    if (g_desktopStyle.isEmpty()) return;
    QStyle* style = QStyleFactory::create(g_desktopStyle);
    if (!style) return;
    style->setParent(dialog);  // lives as long as the dialog
    dialog->setStyle(style);
    for (QWidget* child : dialog->findChildren<QWidget*>()) child->setStyle(style);
}
