#include "window/SecretDialog.h"

#include "disk/SecretFile.h"
#include "window/DesktopStyle.h"
#include "window/DialogParts.h"
#include "window/FileChooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <new>

#include <string.h>

namespace {

// The typed text into locked memory; the field's text is replaced and the
// one copy taken out of it overwritten. The field itself (and the toolkit's
// input handling) may leave copies in freed memory.
disk::Secret takeText(QLineEdit* field)
{
    QString typed = field->text();
    field->setText(QString());  // now the only owner of the typed text is `typed`
    QByteArray utf8 = typed.toUtf8();
    disk::Secret secret(utf8.constData(), std::size_t(utf8.size()));
    explicit_bzero(utf8.data(), std::size_t(utf8.size()));
    if (!typed.isEmpty() && typed.isDetached()) {
        // The whole buffer: characters typed and erased lie before and after the text.
        auto& d = typed.data_ptr();
        QChar* begin = typed.data() - d.freeSpaceAtBegin();
        explicit_bzero(begin, std::size_t(d.freeSpaceAtBegin() + typed.size() + d.freeSpaceAtEnd()) * sizeof(QChar));
    }
    return disk::secretFromBytes(std::move(secret));
}

}  // namespace

SecretDialog::SecretDialog(const QString& prompt, Attempt attempt, QWidget* parent)
    : QDialog(parent), attempt_(std::move(attempt))
{
    setObjectName(QStringLiteral("SecretDialog"));
    setWindowTitle(QStringLiteral("Tessera – BitLocker entsperren"));

    QLabel* text = wrappedText(prompt, this);
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("secret"));
    field_->setEchoMode(QLineEdit::Password);
    field_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText
                                | Qt::ImhNoAutoUppercase);
    field_->setAccessibleName(QStringLiteral("Kennwort oder Wiederherstellungsschlüssel"));
    text->setBuddy(field_);

    refusal_ = refusalLine(this);

    auto* buttons = new QDialogButtonBox(this);
    auto* keyFile = buttons->addButton(QStringLiteral("Schlüsseldatei wählen …"), QDialogButtonBox::ActionRole);
    keyFile->setObjectName(QStringLiteral("keyFile"));
    keyFile->setAutoDefault(false);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("OK"));
    ok_->setDefault(true);
    ok_->setEnabled(false);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& typed) { ok_->setEnabled(!typed.isEmpty()); });
    connect(ok_, &QPushButton::clicked, this, &SecretDialog::tryTyped);
    connect(keyFile, &QPushButton::clicked, this, &SecretDialog::tryKeyFile);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(field_);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    useDesktopStyle(this);
    adjustSize();  // the wrapped prompt's height
    field_->setFocus();
}

void SecretDialog::tryTyped()
{
    if (field_->text().isEmpty()) return;
    try {
        tryOne(takeText(field_));
    } catch (const std::bad_alloc&) {
        refused(QStringLiteral("Für das Kennwort ist kein geschützter Speicher frei (mlock)."));
    }
}

void SecretDialog::tryKeyFile()
{
    const QString path = chooseExistingFile(
        this, QStringLiteral("Schlüsseldatei wählen"), QDir::homePath(),
        {QStringLiteral("Schlüsseldateien (*.BEK *.bek *.txt *.TXT)"), QStringLiteral("Alle Dateien (*)")});
    if (path.isNull()) return;
    QString fault;
    disk::Secret secret;
    try {
        secret = disk::readSecretFile(path, fault);
    } catch (const std::bad_alloc&) {
        fault = QStringLiteral("Für den Schlüssel ist kein geschützter Speicher frei (mlock).");
    }
    if (secret.empty()) {
        refused(fault);
        return;
    }
    tryOne(std::move(secret));
}

void SecretDialog::tryOne(disk::Secret secret)
{
    const QString why = attempt_(std::move(secret));
    if (why.isNull()) {
        accept();
        return;
    }
    refused(why);
}

void SecretDialog::refused(const QString& why)
{
    tellRefusal(refusal_, why);
    field_->setFocus();
}
