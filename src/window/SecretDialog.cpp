#include "window/SecretDialog.h"

#include "disk/bitlocker/SecretFile.h"
#include "runtime/RuntimeError.h"
#include "window/DesktopStyle.h"
#include "window/DialogParts.h"
#include "window/FileChooser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
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

SecretDialog::SecretDialog(const QString& prompt, Attempt attempt, bool keyFileOnly, QWidget* parent)
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
    show_ = new QCheckBox(QStringLiteral("&Zeichen anzeigen"), this);
    show_->setObjectName(QStringLiteral("showCharacters"));
    connect(show_, &QCheckBox::toggled, this,
            [this](bool shown) { field_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });

    refusal_ = refusalLine(this);

    // Every button presses on Return when it has the focus (autoDefault);
    // from the field or the check box, Return presses OK.
    auto* buttons = new QDialogButtonBox(this);
    keyFile_ = buttons->addButton(QStringLiteral("Schlüsseldatei wählen …"), QDialogButtonBox::ActionRole);
    keyFile_->setObjectName(QStringLiteral("keyFile"));
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("OK"));
    ok_->setEnabled(false);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& typed) { ok_->setEnabled(!typed.isEmpty()); });
    connect(ok_, &QPushButton::clicked, this, &SecretDialog::tryTyped);
    connect(keyFile_, &QPushButton::clicked, this, &SecretDialog::tryKeyFile);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(field_);
    layout->addWidget(show_);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    if (keyFileOnly) {
        // Nothing typed opens it: the key file is the question.
        field_->hide();
        show_->hide();
        ok_->hide();
        keyFile_->setDefault(true);
    } else {
        ok_->setDefault(true);
    }
    useDesktopStyle(this);
    adjustSize();  // the wrapped prompt's height
    if (keyFileOnly)
        keyFile_->setFocus();
    else
        field_->setFocus();
}

void SecretDialog::tryTyped()
{
    if (field_->text().isEmpty()) return;
    try {
        tryOne(takeText(field_), QString());
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
        refused(runtime::splitLibraryWords(fault).message);
        return;
    }
    tryOne(std::move(secret), path);
}

void SecretDialog::tryOne(disk::Secret secret, const QString& keyFile)
{
    const Outcome outcome = attempt_(std::move(secret));
    if (outcome.opened) {
        accept();
        return;
    }
    if (!outcome.why.isEmpty())
        refused(outcome.why);
    else if (!keyFile.isNull())
        refused(QStringLiteral("Die Schlüsseldatei \u201E%1\u201C passt nicht zu diesem Volume.")
                    .arg(QFileInfo(keyFile).fileName()));
    else
        refused(QStringLiteral("Kennwort oder Wiederherstellungsschlüssel passt nicht. Versuchen Sie es noch einmal."));
}

void SecretDialog::refused(const QString& why)
{
    tellRefusal(refusal_, why);
    if (field_->isVisible())
        field_->setFocus();
    else
        keyFile_->setFocus();
}
