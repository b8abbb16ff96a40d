#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;

// A differencing disk whose parent image is missing: what is needed, and
// "Basisabbild suchen …", a file dialog at the child's folder; the file
// chosen is handed to `attempt`, and when it is not the parent the dialog
// says why and asks again. Its object name is "ParentDialog".
class ParentDialog : public QDialog {
    Q_OBJECT
public:
    // Why the file is not the parent, or a null string when it is.
    using Attempt = std::function<QString(const QString& parent)>;

    ParentDialog(const QString& message, const QString& parentName, const QString& childFolder, Attempt attempt,
                 QWidget* parent = nullptr);

private:
    void search();

    Attempt attempt_;
    QString parentName_;
    QString childFolder_;
    QLabel* refusal_ = nullptr;
};
