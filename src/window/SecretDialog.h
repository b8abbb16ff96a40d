#pragma once

#include "disk/Secret.h"

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for what opens a BitLocker volume: a password or recovery password
// typed into a hidden field, or a key file (.BEK, or the text file Windows
// saves a recovery key in) chosen with "Schlüsseldatei wählen …". Each
// secret is handed to `attempt` at once; when it does not open the volume,
// the dialog says so and asks again. Its object name is "SecretDialog".
class SecretDialog : public QDialog {
    Q_OBJECT
public:
    // Why the secret does not open the volume, or a null string when it does.
    using Attempt = std::function<QString(disk::Secret secret)>;

    SecretDialog(const QString& prompt, Attempt attempt, QWidget* parent = nullptr);

private:
    void tryTyped();
    void tryKeyFile();
    void tryOne(disk::Secret secret);
    void refused(const QString& why);

    Attempt attempt_;
    QLineEdit* field_ = nullptr;
    QLabel* refusal_ = nullptr;
    QPushButton* ok_ = nullptr;
};
