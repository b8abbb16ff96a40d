// Binary hives through the shell object: a Windows 2000 and a Windows 10
// installation given as folders and as hive files, what is told of the viewed
// machine's environment and hardware, and a hive file that changes.
#include "PointedMachine.h"
#include "RegistryFile.h"
#include "ShellFixture.h"
#include "registry/RegistryFileCache.h"
#include "registry/hive/Hive.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace runtime;
using namespace registry;
using namespace shell;

namespace {

QString hives(const char* relative) { return fixture(QStringLiteral("hives/") + QLatin1String(relative)); }

QString text(const WshShell& shell, const char* path)
{
    try {
        return toText(shell.RegRead(QString::fromUtf8(path)));
    } catch (const RuntimeError& e) {
        return QStringLiteral("<%1>").arg(e.number() == int(0x80070002u) ? QStringLiteral("fehlt") : e.description());
    }
}

std::unique_ptr<WshShell> viewing(const QStringList& sources)
{
    useRegistry(sources);
    return CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
}

const char* const kMemory = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\";
const char* const kVersion = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\";

}  // namespace

TEST(Hive, Windows2000ValuesThroughTheCurrentControlSet)
{
    const auto shell = viewing({hives("win2000")});
    // Select names set 1; set 2 holds other values.
    EXPECT_EQ(text(*shell, (QByteArray(kMemory) + "ClearPageFileAtShutdown").constData()), QStringLiteral("1"));
    EXPECT_EQ(text(*shell, (QByteArray(kMemory) + "largesystemcache").constData()), QStringLiteral("0"));
    EXPECT_EQ(text(*shell, (QByteArray(kMemory) + "IOPageLockLimit").constData()), QStringLiteral("524288"));
    EXPECT_EQ(text(*shell, "HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
                           "{62D35A12-E42B-11D1-B073-00608CCBD2F1}\\Name"),
              QStringLiteral("Telefonleitung"));
    EXPECT_EQ(text(*shell, (QByteArray(kVersion) + "CSDVersion").constData()), QStringLiteral("Service Pack 4"));
    // A multi-string is a list, not a text.
    EXPECT_EQ(std::get<QStringList>(shell->RegRead(QString::fromUtf8(kMemory) + QStringLiteral("PagingFiles"))),
              QStringList{QStringLiteral("C:\\pagefile.sys 192 384")});
    // Keys of HKLM that no hive holds, and other roots, are missing.
    EXPECT_EQ(text(*shell, "HKLM\\SAM\\SAM\\Domains"), QStringLiteral("<fehlt>"));
    EXPECT_EQ(text(*shell, "HKLM\\Hardware\\Description\\System\\Identifier"), QStringLiteral("<fehlt>"));
}

// A type number no value type has (found by fuzzing: hivex hands it over as
// its enum, which cannot hold it) is read as the number it is.
TEST(Hive, AValueOfAnUnknownTypeIsATypeMismatch)
{
    const auto shell = viewing({hives("win10")});
    const auto [number, text] = errorOf([&] { shell->RegRead(QString::fromUtf8(kVersion) + QStringLiteral("DigitalProductId")); });
    EXPECT_EQ(number, 13);
    EXPECT_TRUE(text.contains(QStringLiteral("(4278190084)"))) << text.toStdString();
}

TEST(Hive, TheViewedMachinesEnvironmentNotThisOnes)
{
    for (const char* name : {"NUMBER_OF_PROCESSORS", "OS", "COMSPEC", "TEMP", "HOMEDRIVE", "SYSTEMROOT", "WINDIR"})
        qunsetenv(name);
    qputenv("PATHEXT", ".EXE");  // set in the process: it wins
    const auto shell = viewing({hives("win2000")});
    const WshEnvironment env = shell->Environment(QStringLiteral("PROCESS"));
    EXPECT_EQ(env(QStringLiteral("NUMBER_OF_PROCESSORS")), QStringLiteral("1"));
    EXPECT_EQ(env(QStringLiteral("os")), QStringLiteral("Windows_NT"));
    EXPECT_EQ(env(QStringLiteral("COMSPEC")), QStringLiteral("C:\\WINNT\\system32\\cmd.exe"));
    EXPECT_EQ(env(QStringLiteral("TEMP")), QStringLiteral("C:\\WINNT\\TEMP"));
    EXPECT_EQ(env(QStringLiteral("SYSTEMROOT")), QStringLiteral("C:\\WINNT"));
    EXPECT_EQ(env(QStringLiteral("SYSTEMDRIVE")), QStringLiteral("C:"));
    EXPECT_EQ(env(QStringLiteral("WINDIR")), QStringLiteral("C:\\WINNT"));
    EXPECT_EQ(env(QStringLiteral("HOMEDRIVE")), QString());  // set per user at logon
    EXPECT_EQ(env(QStringLiteral("PATHEXT")), QStringLiteral(".EXE"));
    // RegRead expands with the same variables.
    EXPECT_EQ(text(*shell, "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\Path"),
              QStringLiteral("C:\\WINNT\\system32;C:\\WINNT;C:\\WINNT\\System32\\Wbem"));
    qunsetenv("PATHEXT");
}

TEST(Hive, HardwareKeysOnlyAsFarAsTheHivesTellThem)
{
    const auto w10 = viewing({hives("win10")});
    const char* hw = "HKLM\\Hardware\\Description\\System\\";
    auto at = [](const char* base, const char* name) { return (QByteArray(base) + name); };
    EXPECT_EQ(text(*w10, at(hw, "CentralProcessor\\0\\VendorIdentifier").constData()), QStringLiteral("GenuineIntel"));
    EXPECT_EQ(text(*w10, at(hw, "SystemBiosDate").constData()), QStringLiteral("09/05/2023"));  // HardwareConfig first
    EXPECT_EQ(text(*w10, at(hw, "SystemBiosVersion").constData()), QStringLiteral("1.14.0"));
    for (const char* unknown : {"CentralProcessor\\0\\~Mhz", "Identifier", "VideoBiosDate", "VideoBiosVersion"})
        EXPECT_EQ(text(*w10, at(hw, unknown).constData()), QStringLiteral("<fehlt>")) << unknown;
    const auto w2000 = viewing({hives("win2000")});
    EXPECT_EQ(text(*w2000, at(hw, "SystemBiosDate").constData()), QStringLiteral("<fehlt>"));
    // A source that holds the hardware keys itself wins.
    RegistryFile exported(QStringLiteral("[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System]\r\n"
                                         "\"SystemBiosDate\"=\"12/31/99\"\r\n"));
    const auto both = viewing({exported.path(), hives("win10")});
    EXPECT_EQ(text(*both, at(hw, "SystemBiosDate").constData()), QStringLiteral("12/31/99"));
    EXPECT_EQ(text(*both, at(hw, "SystemBiosVersion").constData()), QStringLiteral("1.14.0"));
}

// An open hive is read from a copy, so the file may change under it; a changed
// file is opened again at the next shell object, an unchanged one is not.
TEST(Hive, ReopenedOnlyWhenTheFileChanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SOFTWARE"));
    ASSERT_TRUE(QFile::copy(hives("win2000/WINNT/system32/config/software"), path));
    const auto first = cachedHive(path);
    EXPECT_EQ(cachedHive(path), first);
    const auto shell = viewing({path});
    EXPECT_EQ(text(*shell, (QByteArray(kVersion) + "CurrentVersion").constData()), QStringLiteral("5.0"));
    // Shrink the file under the open hive: reading goes on from the copy.
    QThread::msleep(20);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(4096));
    }
    EXPECT_EQ(text(*shell, (QByteArray(kVersion) + "CurrentBuildNumber").constData()), QStringLiteral("2195"));
    EXPECT_EQ(errorOf([&] { cachedHive(path); }).first, int(0x8007000Du));
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(hives("win10/Windows/System32/config/SOFTWARE"), path));
    EXPECT_EQ(text(*viewing({path}), (QByteArray(kVersion) + "CurrentVersion").constData()), QStringLiteral("6.3"));
}
