// The BitLocker dialog as people use it: a recovery password typed without
// dashes or in groups with blanks, "Zeichen anzeigen" to see what was typed,
// Return on the focused "Schlüsseldatei wählen …", a key file that does not
// fit named by its name, a volume that only a key file opens asked for one.
#include "BitLockerSamples.h"
#include "DialogAnswers.h"
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "SharedSamples.h"
#include "disk/bitlocker/Keyring.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

class SecretDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        disk::Keyring::instance().clear();
    }
    void TearDown() override { useRegistry({}); }
    QTemporaryDir dir;
};

QLabel* refusalOf(QDialog* dialog) { return dialog->findChild<QLabel*>(QStringLiteral("refusal")); }
QLineEdit* fieldOf(QDialog* dialog) { return dialog->findChild<QLineEdit*>(QStringLiteral("secret")); }

// Chooses `path` in a file dialog by typing it into the name field and pressing Enter.
DialogAnswers::Action choose(const QString& path)
{
    return [path](QDialog* dialog) {
        auto* name = qobject_cast<QFileDialog*>(dialog) ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                                                        : nullptr;
        ASSERT_NE(name, nullptr) << dialog->objectName().toStdString();
        name->setFocus();
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    };
}

// The real volume with its password protector turned into one of the TPM's,
// written beside the test: of what a user holds, only its key file opens it.
QString keyFileOnlyVolume(const QTemporaryDir& dir)
{
    const QString unpacked = unpackedSample(QStringLiteral("real-images/bitlocker/startup_key.bin.gz"));
    if (unpacked.isNull()) return {};
    QFile in(unpacked);
    if (!in.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = withProtectionChanged(in.readAll(), Protection::Password, Protection::Tpm);
    QFile out(dir.filePath(QStringLiteral("usb-stick.raw")));
    if (!out.open(QIODevice::WriteOnly) || out.write(b) != b.size()) return {};
    return out.fileName();
}

}  // namespace

// The real volume's recovery password, typed as one block of digits after
// "Zeichen anzeigen" showed what a first try in groups with a wrong digit
// was. The volume opens (its NTFS is a skeleton, which the box then tells).
TEST_F(SecretDialogs, ARecoveryPasswordIsTakenWithoutDashesAndTheCharactersCanBeShown)
{
    const QString volume = unpackedSample(QStringLiteral("real-images/bitlocker/recovery_password.bin.gz"));
    SKIP_WITHOUT_SHARED(volume);
    useRegistry({volume});
    ModalBoxes boxes;
    QString refusal;
    bool hiddenAtFirst = false, shownAfterToggle = false;
    DialogAnswers answers({[&](QDialog* dialog) {
        QLineEdit* field = fieldOf(dialog);
        ASSERT_NE(field, nullptr);
        hiddenAtFirst = field->echoMode() == QLineEdit::Password;
        typeInto(dialog, QStringLiteral("284867 596541 514998 422114 660297 261613 215424 199409"));
        auto* show = dialog->findChild<QCheckBox*>(QStringLiteral("showCharacters"));
        ASSERT_NE(show, nullptr);
        EXPECT_EQ(show->text(), QStringLiteral("&Zeichen anzeigen"));
        press(dialog, Qt::Key_Tab);  // from the field to the check box, and Space
        EXPECT_EQ(dialog->focusWidget(), show);
        press(dialog, Qt::Key_Space);
        shownAfterToggle = field->echoMode() == QLineEdit::Normal;
        field->setFocus();
        press(dialog, Qt::Key_Return);
        ASSERT_TRUE(dialog->isVisible());
        refusal = refusalOf(dialog)->text();
        typeInto(dialog, QStringLiteral("284867596541514998422114660297261613215424199408"));
        press(dialog, Qt::Key_Return);
    }});
    RunningProgram program;
    EXPECT_TRUE(hiddenAtFirst);
    EXPECT_TRUE(shownAfterToggle);
    EXPECT_EQ(refusal, QStringLiteral("Kennwort oder Wiederherstellungsschlüssel passt nicht. Versuchen Sie es noch einmal."));
    EXPECT_EQ(answers.seen(), QStringList{QStringLiteral("SecretDialog")});
    // Opened: what stops it now is the skeleton's file system, not the secret.
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("BitLocker, darin NTFS beschädigt"))) << boxes.boxes()[0].text.toStdString();
}

// Return on the focused "Schlüsseldatei wählen …" opens the file dialog; a key
// file of another volume is named in the refusal; the right one opens it.
TEST_F(SecretDialogs, ReturnPressesTheFocusedButtonAndAKeyFileThatDoesNotFitIsNamed)
{
    const QString wrongKey = sharedSample(QStringLiteral("real-images/bitlocker/startup_key.bek"));
    const QString rightKey = sharedSample(QStringLiteral("real-images/bitlocker/recovery_key.bek"));
    SKIP_WITHOUT_SHARED(wrongKey);
    if (!QFileInfo::exists(image("bitlocker-xts.raw"))) GTEST_SKIP() << "no BitLocker fixtures (../shared is not here)";
    useRegistry({image("bitlocker-xts.raw")});
    ModalBoxes boxes;
    QString refusal;
    QDialog* secretDialog = nullptr;
    DialogAnswers answers({[&](QDialog* dialog) {
                               secretDialog = dialog;
                               auto* keyFile = dialog->findChild<QPushButton*>(QStringLiteral("keyFile"));
                               ASSERT_NE(keyFile, nullptr);
                               keyFile->setFocus();
                               press(dialog, Qt::Key_Return);
                           },
                           [&](QDialog* files) {
                               choose(wrongKey)(files);
                               QTimer::singleShot(0, [&] {
                                   refusal = refusalOf(secretDialog)->text();
                                   EXPECT_TRUE(secretDialog->isVisible());
                                   secretDialog->findChild<QPushButton*>(QStringLiteral("keyFile"))->setFocus();
                                   press(secretDialog, Qt::Key_Return);
                               });
                           },
                           choose(rightKey)});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(answers.seen(), (QStringList{QStringLiteral("SecretDialog"), QStringLiteral("chooseFile"),
                                           QStringLiteral("chooseFile")}));
    EXPECT_EQ(refusal, QStringLiteral("Die Schlüsseldatei \u201Estartup_key.bek\u201C passt nicht zu diesem Volume."));
    EXPECT_TRUE(program.window().windowTitle().startsWith(QStringLiteral("Tessera \u2013 bitlocker-xts.raw, Partition ")));
    EXPECT_EQ(boxes.count(), 0);
}

// Nothing typed opens it: the dialog shows no field and Return chooses the key file.
TEST_F(SecretDialogs, AVolumeOnlyAKeyFileOpensAsksForTheKeyFileFirst)
{
    const QString key = sharedSample(QStringLiteral("real-images/bitlocker/startup_key.bek"));
    SKIP_WITHOUT_SHARED(key);
    const QString volume = keyFileOnlyVolume(dir);
    ASSERT_FALSE(volume.isNull());
    useRegistry({volume});
    ModalBoxes boxes;
    QString prompt;
    bool fieldShown = true, keyFileFocused = false;
    DialogAnswers answers({[&](QDialog* dialog) {
                               prompt = dialog->findChild<QLabel*>()->text();
                               fieldShown = fieldOf(dialog)->isVisible();
                               keyFileFocused = dialog->focusWidget()
                                                && dialog->focusWidget()->objectName() == QStringLiteral("keyFile");
                               press(dialog, Qt::Key_Return);
                           },
                           choose(key)});
    RunningProgram program;
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("Schlüsseldatei (.BEK) für \u201E%1\u201C").arg(volume)))
        << prompt.toStdString();
    EXPECT_FALSE(fieldShown);
    EXPECT_TRUE(keyFileFocused);
    EXPECT_EQ(answers.seen(), (QStringList{QStringLiteral("SecretDialog"), QStringLiteral("chooseFile")}));
    ASSERT_EQ(boxes.count(), 1);  // opened; the skeleton's file system is what stops it
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("BitLocker, darin NTFS beschädigt"))) << boxes.boxes()[0].text.toStdString();
}
