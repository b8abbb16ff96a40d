#include "app/SourceBoxes.h"

#include "window/DesktopStyle.h"
#include "window/MessageBoxText.h"

#include <QMessageBox>

namespace {

void showBox(QMessageBox::Icon icon, const QString& title, const QString& message, const QString& details,
             QWidget* parent)
{
    QMessageBox box(icon, title, QString(), QMessageBox::Ok, parent);
    setMessageText(box, message, details);
    useDesktopStyle(&box);
    box.exec();
}

}  // namespace

void showSourceFailure(const QString& message, const QString& details, QWidget* parent)
{
    showBox(QMessageBox::Critical, QStringLiteral("Tessera"), message, details, parent);
}

void showSourceNotice(const QString& message, const QString& details, QWidget* parent)
{
    showBox(QMessageBox::Warning, QStringLiteral("Hinweis"), message, details, parent);
}
