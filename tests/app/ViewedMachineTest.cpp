// Another machine in the real window: a Windows 2000 and a Windows 10
// installation read from their binary hives, a Wine prefix, hives saved under
// other names. The report, the Speicher and Sound pages show that machine and
// nothing of this one.
#include "ModalBoxes.h"
#include "RegistryFile.h"
#include "RunningProgram.h"
#include "sysinfo/SystemInfo.h"
#include "window/FrmMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString hives(const char* relative) { return fixture(QStringLiteral("hives/") + QLatin1String(relative)); }

// Nothing of this machine's process environment reaches the report.
class ViewedMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        Variablen::SysInfo = SystemInfo{};
        unsetReportVariables();
    }
    void TearDown() override { useRegistry({}); }

    static QString memoryPage(FrmMain& form)
    {
        QString s;
        for (std::int16_t i : {0, 1, 3, 9}) s += QString::number(form.Check1(i).value());
        return s + u'|' + form.cmbIO->text() + u'|' + form.cmbL2->text();
    }
    static QStringList soundPage(FrmMain& form)
    {
        QStringList names;
        for (std::int16_t i = 0; i <= 10; ++i) names << form.tbSound(i).text();
        return names;
    }
};

const QString kWindows2000Report = QStringLiteral(
        " CPU - Anzahl\t: 1\r\n"
        " CPU-Beschreibung\t: x86 Family 6 Model 8 Stepping 3, GenuineIntel\r\n"
        " CPU-Archtiektur\t: x86\r\n"
        " CPU-Level\t: 6\r\n"
        " CPU-Version\t: 0803\r\n"
        " Hersteller\t: GenuineIntel\r\n"
        " Takt\t\t: 0 MHz\r\n"
        "\r\n"
        " System\t\t: \r\n"
        " BIOS-Datum\t: \r\n"
        " BIOS-Version\t: \r\n"
        " Video-Datum\t: \r\n"
        " Video-Version\t: \r\n"
        "\r\n"
        " Betriebssystem\t: Windows_NT\r\n"
        " Systeminterpreter\t: C:\\WINNT\\system32\\cmd.exe\r\n"
        " Erste Festplatte\t: \r\n"
        " Ausführbar\t: .COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH\r\n"
        " Systemlaufwerk\t: C:\r\n"
        " Systemverzeichnis\t: C:\\WINNT\r\n"
        " WIN-Verzeichnis\t: C:\\WINNT\r\n"
        " TEMP-Verzeichnis\t: C:\\WINNT\\TEMP\r\n"
        "\r\n"
        " Windows Version\t: 5.0.2195 Service Pack 4\r\n"
        " IE-Version\t: 6.0.2800.1106\r\n"
        " IE-Patches\t: ;SP1;Q823353;\r\n"
        " Office Version\t: -\r\n");

const QString kWindows10Report = QStringLiteral(
    " CPU - Anzahl\t: 8\r\n"
    " CPU-Beschreibung\t: Intel64 Family 6 Model 158 Stepping 10, GenuineIntel\r\n"
    " CPU-Archtiektur\t: AMD64\r\n"
    " CPU-Level\t: 6\r\n"
    " CPU-Version\t: 9e0a\r\n"
    " Hersteller\t: GenuineIntel\r\n"
    " Takt\t\t: 0 MHz\r\n"
    "\r\n"
    " System\t\t: \r\n"
    " BIOS-Datum\t: 09/05/2023\r\n"
    " BIOS-Version\t: 1.14.0\r\n"
    " Video-Datum\t: \r\n"
    " Video-Version\t: \r\n"
    "\r\n"
    " Betriebssystem\t: Windows_NT\r\n"
    " Systeminterpreter\t: C:\\Windows\\system32\\cmd.exe\r\n"
    " Erste Festplatte\t: \r\n"
    " Ausführbar\t: .COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC\r\n"
    " Systemlaufwerk\t: C:\r\n"
    " Systemverzeichnis\t: C:\\Windows\r\n"
    " WIN-Verzeichnis\t: C:\\Windows\r\n"
    " TEMP-Verzeichnis\t: C:\\Windows\\TEMP\r\n"
    "\r\n"
    " Windows Version\t: 6.3.19045 \r\n"
    " IE-Version\t: 9.11.19041.0\r\n"
    " IE-Patches\t: \r\n"
    " Office Version\t: -\r\n");

}  // namespace

TEST_F(ViewedMachine, Windows2000InstallationEveryPage)
{
    useRegistry({hives("win2000")});
    ModalBoxes shown;
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    EXPECT_EQ(form.txtInfo->text(), kWindows2000Report);
    program.clickTab(3);
    EXPECT_EQ(memoryPage(form), QStringLiteral("1001|524288|256"));  // control set 1, as Select says
    program.clickTab(4);
    EXPECT_EQ(soundPage(form), (QStringList{"Summe", "Wave", "Mikrofon", "Line-In", "CD-Audio", "Aux", "MIDI",
                                            "SW-Synthesizer", "Telefonleitung", "Monomix", "Stereomix"}));
    program.clickTab(1);
    EXPECT_EQ(form.txtInfo->text(), kWindows2000Report);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(ViewedMachine, Windows10InstallationAndTheValueItLacks)
{
    useRegistry({hives("win10")});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    FrmMain& form = program.window();
    EXPECT_EQ(form.txtInfo->text(), kWindows10Report);
    program.clickTab(4);
    EXPECT_EQ(soundPage(form), (QStringList{"Lautsprecher", "Wave-Ausgabe", "Mikrofon", "Line-Eingang", "CD-Player",
                                            "AUX", "MIDI", "Synthesizer", "Telefon", "Monomix", "Stereomix"}));
    // Windows 10 keeps no IOPageLockLimit: one box naming it, the page as it was.
    const QString before = memoryPage(form);
    ModalBoxes shown;
    program.clickTab(3);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_TRUE(shown.boxes()[0].text.contains(QStringLiteral("Memory Management\\IOPageLockLimit")))
        << shown.boxes()[0].text.toStdString();
    EXPECT_EQ(memoryPage(form), before);
    EXPECT_FALSE(program.ended());
    program.clickTab(1);
    EXPECT_EQ(form.txtInfo->text(), kWindows10Report);
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(ViewedMachine, SavedHivesUnderOtherNamesGiveTheSameReportAsTheirFolder)
{
    QTemporaryDir saved;
    const QString system = saved.filePath(QStringLiteral("sys.hiv")), software = saved.filePath(QStringLiteral("sw"));
    ASSERT_TRUE(QFile::copy(hives("win10/Windows/System32/config/SYSTEM"), system));
    ASSERT_TRUE(QFile::copy(hives("win10/Windows/System32/config/SOFTWARE"), software));
    useRegistry({software, system});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    EXPECT_EQ(program.window().txtInfo->text(), kWindows10Report);
}

TEST_F(ViewedMachine, WinePrefixFolderShowsItsOwnWindows)
{
    useRegistry({fixture(QStringLiteral("wine-prefix"))});
    RunningProgram program;
    ASSERT_FALSE(program.ended());
    const QString text = program.window().txtInfo->text();
    for (const char* line : {" CPU - Anzahl\t: 4\r\n", " CPU-Archtiektur\t: AMD64\r\n", " Hersteller\t: AuthenticAMD\r\n",
                             " Betriebssystem\t: Windows_NT\r\n", " Systeminterpreter\t: C:\\windows\\system32\\cmd.exe\r\n",
                             " Systemlaufwerk\t: C:\r\n", " WIN-Verzeichnis\t: C:\\windows\r\n",
                             " TEMP-Verzeichnis\t: C:\\windows\\temp\r\n",
                             " Windows Version\t: 6.1.7601 Service Pack 1\r\n", " IE-Version\t: 9.0.8112.16421\r\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
}
