// The window as a desktop user meets it: the caption names the machine shown,
// questions are asked in dialogs before the window loads (worked here with
// keys and clicks), sources that cannot be shown end in a critical box, other
// machines are dropped on the window, pages switch with Ctrl+Tab, screen
// readers see the current tab selected, and the toolkit speaks German.
#include "DialogAnswers.h"
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "SharedSamples.h"
#include "app/AppSetup.h"
#include "app/End.h"
#include "app/FurtherWindows.h"
#include "disk/bitlocker/Keyring.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <cctype>

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

const QString kWindows2000 = QStringLiteral(" Windows Version\t: 5.0.2195 Service Pack 4\r\n");
const QString kWindows11 = QStringLiteral(" Windows Version\t: 6.3.22631 \r\n");

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        disk::Keyring::instance().clear();
    }
    void TearDown() override { useRegistry({}); }

    // A link to `target` in a folder of its own: a path no cache has seen, beside nothing.
    QString linkTo(const QString& target, const QString& name)
    {
        const QString link = dir.filePath(name);
        EXPECT_TRUE(QFile::link(target, link));
        return link;
    }

    QTemporaryDir dir;
};

QLabel* refusalOf(QDialog* dialog) { return dialog->findChild<QLabel*>(QStringLiteral("refusal")); }

// Chooses `path` in a file dialog by typing it into the name field and pressing Enter.
DialogAnswers::Action choose(const QString& path, QString* openedAt = nullptr)
{
    return [path, openedAt](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr) << dialog->objectName().toStdString();
        if (openedAt) *openedAt = files->directory().absolutePath();
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setFocus();
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    };
}

// Sends a drag of `files` and its drop to `target`, as a file manager does; whether the drop was taken.
bool drop(QWidget* target, const QStringList& urls)
{
    QMimeData data;
    QList<QUrl> list;
    for (const QString& url : urls) list << (url.contains(QStringLiteral("://")) ? QUrl(url) : QUrl::fromLocalFile(url));
    data.setUrls(list);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// Lets the queued handling of a drop run until the caption is `caption` (at most 10 s).
bool captionBecomes(const FrmMain& form, const QString& caption)
{
    for (int i = 0; i < 1000 && form.windowTitle() != caption; ++i) QTest::qWait(10);
    return form.windowTitle() == caption;
}

}  // namespace

TEST_F(Desktop, ADiskWithTwoInstallationsAsksWhichAndTheKeyboardChoosesTheSecond)
{
    useRegistry({image("two-windows.raw")});
    ModalBoxes boxes;
    QStringList rows;
    DialogAnswers answers({[&](QDialog* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("installations"));
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c) columns << list->topLevelItem(i)->text(c);
            rows << columns.join(u'|');
        }
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        EXPECT_TRUE(list->hasFocus() || dialog->focusWidget() == list);
        press(dialog, Qt::Key_Down);
        press(dialog, Qt::Key_Return);
    }});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(answers.seen(), QStringList{QStringLiteral("InstallationDialog")});
    EXPECT_EQ(rows, (QStringList{QStringLiteral("1|20 MiB|Windows|Windows 11 Pro 22H2 (Build 22631)"),
                                 QStringLiteral("5|16 MiB|SYSTEM|Microsoft Windows 2000 Service Pack 4 (Build 2195)")}));
    FrmMain& form = program.window();
    EXPECT_EQ(form.windowTitle(),
              QStringLiteral("Tessera \u2013 two-windows.raw, Partition 5, Microsoft Windows 2000 Service Pack 4"));
    EXPECT_TRUE(form.accessibleDescription().startsWith(image("two-windows.raw") + QStringLiteral(", Partition 5")))
        << form.accessibleDescription().toStdString();
    EXPECT_TRUE(form.txtInfo->text().contains(kWindows2000)) << form.txtInfo->text().toStdString();
    EXPECT_EQ(boxes.count(), 0);
    // The dialog's text came first: the window's Tahoma was there all the same.
    if (QFileInfo::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
        EXPECT_EQ(QFontInfo(form.txtInfo->font()).family(), QStringLiteral("Tahoma"));
    }
}

// Abbrechen in a question ends the program as the window's Abbrechen does; the window never loads.
TEST_F(Desktop, CancellingAQuestionEndsTheProgram)
{
    useRegistry({image("two-windows.raw")});
    ModalBoxes boxes;
    DialogAnswers answers({[](QDialog* dialog) { clickButton(dialog, QStringLiteral("Abbrechen")); }});
    RunningProgram program;
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(programExitCode(), 0);
    EXPECT_FALSE(frmMainExists());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(Desktop, ABitLockerDiskAsksForItsSecretAndTellsAWrongOneInTheSameDialog)
{
    if (!QFileInfo::exists(image("bitlocker-cbc.raw"))) GTEST_SKIP() << "no BitLocker fixtures (../shared is not here)";
    useRegistry({linkTo(image("bitlocker-cbc.raw"), QStringLiteral("laptop.raw"))});
    ModalBoxes boxes;
    QString prompt, refusal;
    DialogAnswers answers({[&](QDialog* dialog) {
        prompt = dialog->findChild<QLabel*>()->text();
        QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());  // nothing typed yet
        typeInto(dialog, QStringLiteral("falsch-falsch"));
        press(dialog, Qt::Key_Return);
        ASSERT_TRUE(dialog->isVisible());
        refusal = refusalOf(dialog)->isVisible() ? refusalOf(dialog)->text() : QString();
        typeInto(dialog, QStringLiteral("password12!@"));
        press(dialog, Qt::Key_Return);
    }});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("Kennwort oder Wiederherstellungsschlüssel für Partition ")))
        << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("(BitLocker, \u201E"))) << prompt.toStdString();
    EXPECT_TRUE(refusal.contains(QStringLiteral("passt nicht"))) << refusal.toStdString();
    EXPECT_TRUE(program.window().windowTitle().startsWith(QStringLiteral("Tessera \u2013 laptop.raw, Partition ")))
        << program.window().windowTitle().toStdString();
    EXPECT_TRUE(program.window().txtInfo->text().contains(QStringLiteral(" Windows Version\t: 6.3.")));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(Desktop, ABitLockerDiskOpensWithTheKeyFileChosen)
{
    const QString keyFile = sharedSample(QStringLiteral("real-images/bitlocker/recovery_key.bek"));
    SKIP_WITHOUT_SHARED(keyFile);
    if (!QFileInfo::exists(image("bitlocker-xts.raw"))) GTEST_SKIP() << "no BitLocker fixtures (../shared is not here)";
    useRegistry({linkTo(image("bitlocker-xts.raw"), QStringLiteral("desktop.raw"))});
    DialogAnswers answers({[](QDialog* dialog) { clickButton(dialog, QStringLiteral("keyFile")); }, choose(keyFile)});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(answers.seen(), (QStringList{QStringLiteral("SecretDialog"), QStringLiteral("chooseFile")}));
    EXPECT_TRUE(program.window().windowTitle().startsWith(QStringLiteral("Tessera \u2013 desktop.raw, Partition ")));
}

// The parent is sought from the child's folder; a file that is not it is told
// in the same dialog, and the search goes on.
TEST_F(Desktop, AMissingParentIsFoundThroughAFileDialogAtTheChildsFolder)
{
    const QString child = dir.filePath(QStringLiteral("win10-overlay.qcow2"));
    ASSERT_TRUE(QFile::copy(image("win10-overlay.qcow2"), child));
    useRegistry({child});
    ModalBoxes boxes;
    QString message, itself, refusal, openedAt;
    DialogAnswers answers({[&](QDialog* dialog) {
                               message = dialog->findChild<QLabel*>()->text();
                               clickButton(dialog, QStringLiteral("search"));  // the snapshot itself
                               itself = refusalOf(dialog)->text();
                               clickButton(dialog, QStringLiteral("search"));  // a file that is no qcow2
                               refusal = refusalOf(dialog)->text();
                               clickButton(dialog, QStringLiteral("search"));
                           },
                           choose(child, &openedAt), choose(image("two-windows.raw")), choose(image("win10.qcow2"))});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(answers.seen(), (QStringList{QStringLiteral("ParentDialog"), QStringLiteral("chooseFile"),
                                           QStringLiteral("chooseFile"), QStringLiteral("chooseFile")}));
    EXPECT_TRUE(itself.contains(QStringLiteral("im Kreis"))) << itself.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("braucht sein Basisabbild \u201Ewin10.qcow2\u201C"))) << message.toStdString();
    EXPECT_EQ(openedAt, dir.path());
    EXPECT_TRUE(refusal.contains(QStringLiteral("als sein Basisabbild gewählt wurde: es ist kein qcow2-Abbild")))
        << refusal.toStdString();
    EXPECT_EQ(program.window().windowTitle(),
              QStringLiteral("Tessera \u2013 win10-overlay.qcow2, Partition 3, Windows 11 Pro 22H2"));
    EXPECT_TRUE(program.window().txtInfo->text().contains(kWindows11));
    EXPECT_EQ(boxes.count(), 0);
}

// No Windows on the disk, a disk image damaged, a file that is no image: a
// critical box to copy the message from, never the run-time error box, and
// exit code 1 before the window loads.
class UnshownSource : public Desktop, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnshownSource, EndsInACriticalBox)
{
    QString source = image(GetParam());
    if (QLatin1String(GetParam()) == QLatin1String("notizen.txt")) {
        QFile text(dir.filePath(QStringLiteral("notizen.txt")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("Einkaufsliste\n");
        source = text.fileName();
    }
    useRegistry({source});
    ModalBoxes boxes;
    RunningProgram program;
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(programExitCode(), 1);
    EXPECT_FALSE(frmMainExists());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].isSourceFailure()) << boxes.boxes()[0].text.toStdString();
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QFileInfo(source).fileName())) << boxes.boxes()[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Desktop, UnshownSource,
                         ::testing::Values("no-windows.raw", "garbage.raw", "cut-in-partition.raw", "notizen.txt"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST_F(Desktop, TheCaptionSaysWhatIsShownAndTheDescriptionWhereFrom)
{
    const QString win10 = fixture(QStringLiteral("hives/win10"));
    const QString config = win10 + QStringLiteral("/Windows/System32/config/");
    const QString vm = image("vms/VirtualBox VMs/Win10");
    const struct {
        QStringList sources;
        QString caption;
    } cases[] = {
        {{}, QStringLiteral("Tessera")},
        {{image("win10.qcow2")}, QStringLiteral("Tessera \u2013 win10.qcow2, Partition 3, Windows 11 Pro 22H2")},
        {{vm}, QStringLiteral("Tessera \u2013 Win10, Partition 3, Windows 11 Pro 22H2")},
        {{image("mbr-win2000.raw") + QStringLiteral("@1")},
         QStringLiteral("Tessera \u2013 mbr-win2000.raw, Partition 1, Microsoft Windows 2000 Service Pack 4")},
        {{win10}, QStringLiteral("Tessera \u2013 win10, Windows 10 Pro 22H2")},
        {{config + QStringLiteral("SYSTEM"), config + QStringLiteral("SOFTWARE")},
         QStringLiteral("Tessera \u2013 SYSTEM, SOFTWARE, Windows 10 Pro 22H2")},
        // What a Wine prefix's registry calls itself.
        {{fixture(QStringLiteral("wine-prefix/system.reg"))},
         QStringLiteral("Tessera \u2013 system.reg, Microsoft Windows 7 Service Pack 1")},
    };
    for (const auto& c : cases) {
        useRegistry(c.sources);
        ModalBoxes boxes;
        RunningProgram program;
        ASSERT_FALSE(program.ended()) << c.caption.toStdString();
        EXPECT_EQ(program.window().windowTitle(), c.caption);
        const QString described = program.window().accessibleDescription();
        if (c.sources.isEmpty()) {
            EXPECT_TRUE(described.isEmpty()) << described.toStdString();
        }
        for (const QString& source : c.sources)
            EXPECT_TRUE(described.contains(QFileInfo(source.section(u'@', 0, 0)).absoluteFilePath()))
                << described.toStdString();
    }
}

// A machine dropped on the window (on any control) replaces the one shown,
// and the page shown is read again; a drop that cannot be shown changes nothing and says why.
TEST_F(Desktop, AnotherMachineDroppedOnTheWindowIsShown)
{
    useRegistry({fixture(QStringLiteral("hives/win10"))});
    ModalBoxes boxes;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    EXPECT_FALSE(drop(&form, {QStringLiteral("https://example.org/disk.raw")}));  // not a file here
    ASSERT_TRUE(drop(form.txtInfo->viewport(), {image("mbr-win2000.raw")}));
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 mbr-win2000.raw, Partition 1, Microsoft Windows 2000 "
                                                    "Service Pack 4")))
        << form.windowTitle().toStdString();
    EXPECT_TRUE(form.txtInfo->text().contains(kWindows2000));

    program.clickTab(4);
    ASSERT_TRUE(drop(form.cmbIO, {image("win10.qcow2")}));  // an editable list's own drop is not taken
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 win10.qcow2, Partition 3, Windows 11 Pro 22H2")));
    EXPECT_TRUE(form.fmTab(3).isVisible());
    EXPECT_EQ(form.tbSound(8).text(), QStringLiteral("Telefon (Headset)"));  // read again from the new machine
    EXPECT_TRUE(form.cmbIO->currentText().isEmpty());
    EXPECT_EQ(boxes.count(), 0);

    const QString shown = form.windowTitle();
    ASSERT_TRUE(drop(&form, {image("garbage.raw")}));
    for (int i = 0; i < 500 && boxes.count() == 0; ++i) QTest::qWait(10);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].isSourceFailure());
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("garbage.raw")));
    EXPECT_EQ(form.windowTitle(), shown);
    EXPECT_FALSE(program.ended());
    program.clickTab(1);
    EXPECT_TRUE(form.txtInfo->text().contains(kWindows11));

    // A hive older than Windows left it, dropped with a hive that cannot be read: nothing is
    // told of it; dropped alone, the "Hinweis" comes and the caption says so.
    const QString dirty = fixture(QStringLiteral("hives/logs/damaged/no-logs/SYSTEM"));
    ASSERT_TRUE(drop(&form, {dirty, fixture(QStringLiteral("hives/damaged/bad-checksum"))}));
    for (int i = 0; i < 500 && boxes.count() == 1; ++i) QTest::qWait(10);
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_TRUE(boxes.boxes()[1].isSourceFailure());
    program.clickTab(3);
    EXPECT_EQ(boxes.count(), 2);
    ASSERT_TRUE(drop(&form, {dirty}));
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 SYSTEM (älterer Stand)")));
    for (int i = 0; i < 500 && boxes.count() < 4; ++i) QTest::qWait(10);
    ASSERT_EQ(boxes.count(), 4);
    EXPECT_TRUE(boxes.boxes()[2].isNotice()) << boxes.boxes()[2].text.toStdString();
    // A SYSTEM without its SOFTWARE: said as well.
    EXPECT_TRUE(boxes.boxes()[3].isNotice());
    EXPECT_TRUE(boxes.boxes()[3].text.contains(QStringLiteral("fehlt die Registrierungsstruktur SOFTWARE")))
        << boxes.boxes()[3].text.toStdString();
}

// Files of several machines dropped together: the first is shown in this
// window, each further one in a Tessera of its own, with the key files this
// one was started with; the parts of one machine stay together.
TEST_F(Desktop, SeveralMachinesDroppedOpenAWindowEach)
{
    std::vector<QStringList> started;
    const auto opener = furtherWindowOpener();
    furtherWindowOpener() = [&](const QStringList& arguments) { started.push_back(arguments); };
    CommandLine commandLine;
    commandLine.keyFiles = {QStringLiteral("schluessel.txt"), QStringLiteral("-")};
    rememberWindowOptions(commandLine);
    useRegistry({fixture(QStringLiteral("hives/win10"))});
    ModalBoxes boxes;
    RunningProgram program;
    FrmMain& form = program.window();
    const QString config = fixture(QStringLiteral("hives/win10/Windows/System32/config/"));
    ASSERT_TRUE(drop(&form, {image("mbr-win2000.raw"), config + QStringLiteral("SYSTEM"), image("win10.qcow2"),
                             config + QStringLiteral("SOFTWARE")}));
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 mbr-win2000.raw, Partition 1, Microsoft Windows 2000 "
                                                    "Service Pack 4")))
        << form.windowTitle().toStdString();
    const QString key = QFileInfo(QStringLiteral("schluessel.txt")).absoluteFilePath();
    const std::vector<QStringList> expected = {
        {QStringLiteral("--schluessel"), key, QStringLiteral("--"), config + QStringLiteral("SYSTEM"),
         config + QStringLiteral("SOFTWARE")},
        {QStringLiteral("--schluessel"), key, QStringLiteral("--"), image("win10.qcow2")},
    };
    EXPECT_EQ(started, expected);
    EXPECT_EQ(boxes.count(), 0);
    furtherWindowOpener() = opener;
    rememberWindowOptions(CommandLine{});
}

TEST_F(Desktop, CtrlTabAndCtrlPageKeysSwitchPagesAsAClickDoesAndWrap)
{
    RunningProgram program;
    FrmMain& form = program.window();
    const QString headers[] = {QString(), QStringLiteral("START"), QStringLiteral("SPEICHER"), QStringLiteral("SOUND")};
    auto expectPage = [&](int page) {
        EXPECT_EQ(form.tabMain->currentIndex(), page);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(form.fmTab(std::int16_t(i)).isVisible(), i == page) << i;
        if (page > 0) {
            EXPECT_EQ(form.lblHeader(4).caption(), headers[page]);
        }
    };
    form.txtInfo->setFocus();
    QTest::keyClick(form.txtInfo, Qt::Key_Tab, Qt::ControlModifier);
    expectPage(1);
    QTest::keyClick(form.tabMain, Qt::Key_PageDown, Qt::ControlModifier);
    expectPage(2);
    QTest::keyClick(&form.Check1(0), Qt::Key_PageDown, Qt::ControlModifier);
    expectPage(3);
    QTest::keyClick(form.tabMain, Qt::Key_Tab, Qt::ControlModifier);
    expectPage(0);
    QTest::keyClick(form.tabMain, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    expectPage(3);
    QTest::keyClick(form.cmbIO, Qt::Key_PageUp, Qt::ControlModifier);
    expectPage(2);
}

// The current page's tab is selected for a screen reader, and while a box is
// open only the box's button has the focus.
TEST_F(Desktop, ScreenReadersSeeTheCurrentTabSelectedAndOneFocusedObject)
{
    RunningProgram program;
    FrmMain& form = program.window();
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(form.tabMain);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->role(), QAccessible::PageTabList);
    ASSERT_EQ(strip->childCount(), 4);
    program.clickTab(3);
    for (int i = 0; i < 4; ++i) {
        const QAccessible::State state = strip->child(i)->state();
        EXPECT_EQ(bool(state.selected), i == 2) << i;
        EXPECT_TRUE(state.selectable);
        EXPECT_EQ(strip->child(i)->role(), QAccessible::PageTab);
    }
    EXPECT_EQ(strip->child(2)->text(QAccessible::Name), QStringLiteral("Speicher"));
    EXPECT_TRUE(strip->child(2)->state().focused);  // the click put the focus on the strip

    std::function<int(QAccessibleInterface*)> focused = [&](QAccessibleInterface* node) {
        int n = node->state().focused ? 1 : 0;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface* child = node->child(i)) n += focused(child);
        return n;
    };
    int inWindow = -1, inBox = -1;
    QTimer::singleShot(50, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        inWindow = focused(QAccessible::queryAccessibleInterface(&form));
        inBox = focused(QAccessible::queryAccessibleInterface(box));
        box->close();
    });
    form.cmdMain(0).click();  // the "DUMMY" box
    EXPECT_EQ(inWindow, 0);
    EXPECT_EQ(inBox, 1);

    // "Drücken" on a tab selects it as a click does.
    strip->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form.lblHeader(4).caption(), QStringLiteral("SOUND"));
}

TEST_F(Desktop, TheToolkitsOwnTextsAreGerman)
{
    prepareApplication();
    EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "&Copy"), QStringLiteral("&Kopieren"));
    EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "Select All"), QStringLiteral("Alles auswählen"));
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text(), QStringLiteral("Öffnen"));
}

// A machine dropped after another shows only itself: what it lacks shows as a
// first collection shows it (the Info report the same as the program's own
// first one on that disk), and a Speicher page that cannot read its values
// keeps nothing of the machine before.
TEST_F(Desktop, ADroppedMachineShowsNothingOfTheOneBefore)
{
    const QString windows10 = image("win10.qcow2");
    QProcess first;
    first.start(QStringLiteral(TESSERA_PROGRAM), {QStringLiteral("--bericht"), windows10});
    ASSERT_TRUE(first.waitForFinished(20000));
    const QString report = QString::fromUtf8(first.readAllStandardOutput()).replace(u'\n', QStringLiteral("\r\n"));
    ASSERT_TRUE(report.contains(QStringLiteral(" IE-Patches\t: \r\n"))) << report.toStdString();  // none on Windows 10

    useRegistry({image("mbr-win2000.raw")});
    ModalBoxes boxes;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    ASSERT_TRUE(form.txtInfo->text().contains(QStringLiteral(" IE-Patches\t: ;SP1;")));
    ASSERT_TRUE(drop(&form, {windows10}));
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 win10.qcow2, Partition 3, Windows 11 Pro 22H2")));
    EXPECT_EQ(form.txtInfo->text(), report);

    // A machine that keeps no memory settings, dropped on the Speicher page of one that does.
    program.clickTab(3);
    ASSERT_EQ(form.Check1(1).value(), 1);
    const QString bare = dir.filePath(QStringLiteral("bare.reg"));
    QFile export5(bare);
    ASSERT_TRUE(export5.open(QIODevice::WriteOnly));
    export5.write("Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n\"CurrentVersion\"=\"6.3\"\r\n");
    export5.close();
    ASSERT_TRUE(drop(&form, {bare}));
    ASSERT_TRUE(captionBecomes(form, QStringLiteral("Tessera \u2013 bare.reg")));
    for (int i = 0; i < 500 && boxes.count() == 0; ++i) QTest::qWait(10);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("Laufzeitfehler"))) << boxes.boxes()[0].text.toStdString();
    for (std::int16_t i : form.Check1.indices()) EXPECT_EQ(form.Check1(i).value(), 0) << i;
    EXPECT_TRUE(form.cmbIO->currentText().isEmpty());
    EXPECT_TRUE(form.cmbL2->currentText().isEmpty());
    EXPECT_EQ(form.tbSound(0).text(), QStringLiteral("Text1"));
}

// A folder of Windows disks asks with the list a dual-boot disk gets, each
// row naming its disk; the one chosen is shown.
TEST_F(Desktop, AFolderOfSeveralWindowsDisksAsksWhichWithTheList)
{
    const QDir at(dir.path());
    at.mkpath(QStringLiteral("Abbilder"));
    QFile::link(image("win10.qcow2"), at.filePath(QStringLiteral("Abbilder/eins.qcow2")));
    QFile::link(image("two-windows.raw"), at.filePath(QStringLiteral("Abbilder/zwei.vhd")));
    useRegistry({at.filePath(QStringLiteral("Abbilder"))});
    ModalBoxes boxes;
    QStringList header, rows;
    DialogAnswers answers({[&](QDialog* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("installations"));
        ASSERT_NE(list, nullptr);
        for (int c = 0; c < list->columnCount(); ++c) header << list->headerItem()->text(c);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c) columns << list->topLevelItem(i)->text(c);
            rows << columns.join(u'|');
        }
        press(dialog, Qt::Key_Down);
        press(dialog, Qt::Key_Down);
        press(dialog, Qt::Key_Return);
    }});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(header, (QStringList{QStringLiteral("Datenträger"), QStringLiteral("Partition"), QStringLiteral("Größe"),
                                   QStringLiteral("Bezeichnung"), QStringLiteral("Windows")}));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("eins.qcow2|3|20 MiB|Windows|Windows 11 Pro 22H2 (Build 22631)"),
                                 QStringLiteral("zwei.vhd|1|20 MiB|Windows|Windows 11 Pro 22H2 (Build 22631)"),
                                 QStringLiteral("zwei.vhd|5|16 MiB|SYSTEM|Microsoft Windows 2000 Service Pack 4 (Build 2195)")}));
    EXPECT_EQ(program.window().windowTitle(),
              QStringLiteral("Tessera \u2013 zwei.vhd, Partition 5, Microsoft Windows 2000 Service Pack 4"));
    EXPECT_TRUE(program.window().txtInfo->text().contains(kWindows2000));
    EXPECT_EQ(boxes.count(), 0);
}
