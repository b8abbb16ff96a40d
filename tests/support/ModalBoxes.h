#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <vector>

// Records and closes every modal message box that opens while it is alive, so a
// test can click something that opens one and then look at what it showed.
class ModalBoxes {
public:
    struct Box {
        QString title;
        QString text;  // as read: without the break opportunities a long path is given
        bool overShownWindow;  // another window was on screen when it opened
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool selectable = false;  // its text can be selected and copied
        QString details;          // behind "Details anzeigen"

        // A named source that cannot be shown: critical, titled "Tessera", not a run-time error.
        bool isSourceFailure() const
        {
            return title == QStringLiteral("Tessera") && icon == QMessageBox::Critical && selectable
                   && !text.startsWith(QStringLiteral("Laufzeitfehler"));
        }
        // What to know of the sources: a warning titled "Hinweis".
        bool isNotice() const { return title == QStringLiteral("Hinweis") && icon == QMessageBox::Warning && selectable; }
    };

    ModalBoxes();
    ~ModalBoxes();
    ModalBoxes(const ModalBoxes&) = delete;
    ModalBoxes& operator=(const ModalBoxes&) = delete;

    const std::vector<Box>& boxes() const { return boxes_; }
    int count() const { return static_cast<int>(boxes_.size()); }

private:
    void poll();

    QTimer timer_;
    std::vector<Box> boxes_;
};
