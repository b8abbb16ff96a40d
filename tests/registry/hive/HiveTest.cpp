// Binary hives opened alone: told apart by content, found in the folders of an
// installation, and refused when damaged, naming the file and the fault.
#include "ErrorOf.h"
#include "RegistryFile.h"
#include "registry/hive/Hive.h"
#include "registry/SourceFolder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace registry;

namespace {

QString hives(const char* relative) { return fixture(QStringLiteral("hives/") + QLatin1String(relative)); }

}  // namespace

TEST(Hive, KindComesFromTheContentNotTheName)
{
    EXPECT_EQ(Hive(hives("win2000/WINNT/system32/config/system")).kind(), Hive::Kind::System);
    EXPECT_EQ(Hive(hives("win2000/WINNT/system32/config/software")).kind(), Hive::Kind::Software);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("sicherung.hiv"));  // as reg save might name it
    ASSERT_TRUE(QFile::copy(hives("win10/Windows/System32/config/SOFTWARE"), saved));
    EXPECT_EQ(Hive(saved).kind(), Hive::Kind::Software);
    EXPECT_TRUE(looksLikeHive(saved));
    EXPECT_FALSE(looksLikeHive(fixture(QStringLiteral("shell/first.reg"))));
}

TEST(Hive, FoldersOfAnInstallationStandForItsTwoHives)
{
    const QStringList win2000 = {hives("win2000/WINNT/system32/config/system"),
                                 hives("win2000/WINNT/system32/config/software")};
    EXPECT_EQ(registryFilesIn(hives("win2000")), win2000);                        // the root
    EXPECT_EQ(registryFilesIn(hives("win2000/WINNT")), win2000);                  // the Windows folder
    EXPECT_EQ(registryFilesIn(hives("win2000/WINNT/system32/config")), win2000);  // config itself
    EXPECT_EQ(registryFilesIn(hives("win10")).size(), 2);
    const auto [number, text] = errorOf([] { registryFilesIn(hives("damaged")); });
    EXPECT_EQ(number, int(0x80070002u));
    EXPECT_TRUE(text.contains(hives("damaged"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("system.reg"))) << text.toStdString();
}

// Every damaged hive is refused with an error that names the file and what is
// wrong, in German, before anything is read from it.
TEST(Hive, DamagedHivesNameTheFileAndTheFault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"too-short", "ist zu kurz für eine Registrierungsstruktur (100 Bytes, mindestens 8192)"},
        {"truncated", "ist abgeschnitten: der Kopf nennt 20480 Bytes, die Datei hat 11240"},
        {"cut-at-bin", "ist abgeschnitten: der Kopf nennt 20480 Bytes, die Datei hat 8192"},
        {"bad-magic", "beginnt nicht mit \u201Eregf\u201C"},
        {"bad-checksum", "ist beschädigt: die Prüfsumme des Kopfes stimmt nicht"},
        {"version-2", "hat das unbekannte Format 2.5 (lesbar ist 1.x)"},
        {"transaction-log", "ist ein Transaktionsprotokoll (Typ 1), keine Registrierungsstruktur"},
        {"garbage-bins", "ist beschädigt oder hat ein unbekanntes Format"},
        {"empty", "ist weder ein SYSTEM-Zweig"},
        {"NTUSER.DAT", "ist weder ein SYSTEM-Zweig (mit Select und ControlSet001) noch ein SOFTWARE-Zweig"},
    };
    for (const auto& [file, fault] : cases) {
        SCOPED_TRACE(file);
        const QString path = hives("damaged/") + QLatin1String(file);
        const auto [number, text] = errorOf([&] { Hive hive(path); });
        EXPECT_EQ(number, int(0x8007000Du));
        EXPECT_TRUE(text.startsWith(QStringLiteral("Registrierungsstruktur \u201E%1\u201C ").arg(path)))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(fault))) << text.toStdString();
    }
}
