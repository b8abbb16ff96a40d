#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// A file dialog over `parent` opened at `folder` for one existing file;
// the file chosen, or a null string when the user cancels. Its object name
// is "chooseFile".
QString chooseExistingFile(QWidget* parent, const QString& title, const QString& folder,
                           const QStringList& nameFilters);
