#include "app/SourceBoxes.h"

#include "window/DesktopStyle.h"

#include <QMessageBox>

namespace {

void showBox(QMessageBox::Icon icon, const QString& title, const QString& message, QWidget* parent)
{
    QMessageBox box(icon, title, message, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    useDesktopStyle(&box);
    box.exec();
}

}  // namespace

void showSourceFailure(const QString& message, QWidget* parent)
{
    showBox(QMessageBox::Critical, QStringLiteral("Tessera"), message, parent);
}

void showSourceNotice(const QString& message, QWidget* parent)
{
    showBox(QMessageBox::Warning, QStringLiteral("Hinweis"), message, parent);
}
