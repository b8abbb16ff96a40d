#pragma once

#include "disk/bitlocker/Secret.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for what opens a BitLocker volume: a password or recovery password
// typed into a hidden field ("Zeichen anzeigen" shows what was typed), or a
// key file (.BEK, or the text file Windows saves a recovery key in) chosen
// with "Schlüsseldatei wählen …". Each secret is handed to `attempt` at once;
// when it does not fit, the dialog says so (a key file by its name) and asks
// again. A volume that only a key file opens is asked for one alone. Return
// presses the button that has the focus, else OK. Its object name is
// "SecretDialog".
class SecretDialog : public QDialog {
    Q_OBJECT
public:
    // Whether the secret opened the volume; when it did not, `why` says
    // what else went wrong, or nothing when the secret just does not fit.
    struct Outcome {
        bool opened = false;
        QString why;
    };
    using Attempt = std::function<Outcome(disk::Secret secret)>;

    SecretDialog(const QString& prompt, Attempt attempt, bool keyFileOnly = false, QWidget* parent = nullptr);

private:
    void tryTyped();
    void tryKeyFile();
    // `keyFile`: the file it was read from, to name it when it does not fit.
    void tryOne(disk::Secret secret, const QString& keyFile);
    void refused(const QString& why);

    Attempt attempt_;
    QLineEdit* field_ = nullptr;
    QCheckBox* show_ = nullptr;
    QLabel* refusal_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* keyFile_ = nullptr;
};
