#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QTreeWidget;

// Which of several Windows installations on a disk (or in a folder of disks
// or machines, with a column naming each) to show: a list, one line each,
// the first chosen; OK and Abbrechen. Its object name is
// "InstallationDialog", the list's "installations".
class InstallationDialog : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString disk;       // in a folder: the disk or machine ("Win10", "a.vhdx"); empty on one disk
        QString partition;  // "3"
        QString size;       // "59,4 GB"
        QString label;
        QString windows;    // "Windows 11 Pro 23H2 (Build 22631)"
    };

    InstallationDialog(const QString& question, const std::vector<Row>& rows, QWidget* parent = nullptr);

    // The row chosen (0-based).
    int chosen() const;

private:
    QTreeWidget* list_ = nullptr;
};
