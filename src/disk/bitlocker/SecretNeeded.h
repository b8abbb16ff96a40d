#pragma once

#include "disk/Question.h"

#include <QByteArray>
#include <QString>

namespace disk {

// A BitLocker volume that a secret from the user would open: the question
// to ask (at a terminal's prompt, in a dialog) and, as the message, what to
// do where nobody can be asked. The answer goes into the Keyring; then the
// source is read again.
class SecretNeeded : public Question {
public:
    SecretNeeded(const QString& message, QString prompt, QByteArray volumeId, int wrong, bool keyFileOnly = false)
        : Question(runtime::ErrorNumber::InvalidData, message), prompt_(std::move(prompt)),
          volumeId_(std::move(volumeId)), wrong_(wrong), keyFileOnly_(keyFileOnly)
    {
    }

    // "Kennwort oder Wiederherstellungsschlüssel für Partition 3 von „disk.raw“ (BitLocker, „…“):"
    const QString& prompt() const { return prompt_; }
    const QByteArray& volumeId() const { return volumeId_; }
    // How many secrets given did not fit it.
    int wrong() const { return wrong_; }
    // Only a key file (.BEK) opens it, of what the user can hold: no password is asked for.
    bool keyFileOnly() const { return keyFileOnly_; }

private:
    QString prompt_;
    QByteArray volumeId_;
    int wrong_;
    bool keyFileOnly_;
};

}  // namespace disk
