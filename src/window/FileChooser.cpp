#include "window/FileChooser.h"

#include <QFileDialog>

QString chooseExistingFile(QWidget* parent, const QString& title, const QString& folder,
                           const QStringList& nameFilters)
{
    QFileDialog dialog(parent, title, folder);
    dialog.setObjectName(QStringLiteral("chooseFile"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
