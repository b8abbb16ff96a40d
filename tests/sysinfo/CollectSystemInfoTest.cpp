#include "PointedMachine.h"
#include "ControlledMachine.h"

#include "runtime/RuntimeError.h"
#include "sysinfo/CollectSystemInfo.h"
#include "sysinfo/SystemInfo.h"

#include <gtest/gtest.h>

using Variablen::SysInfo;

namespace {

// What the fixture environment and full.reg hold.
SystemInfo fullMachine()
{
    SystemInfo i;
    i.CpuCount = 2;
    i.CpuDescription = QStringLiteral("x86 Family 6 Model 8 Stepping 1, GenuineIntel");
    i.CpuMhz = 500;
    i.CpuVendor = QStringLiteral("GenuineIntel");
    i.CpuLevel = QStringLiteral("6");
    i.CpuRevision = QStringLiteral("0801");
    i.CpuArchitecture = QStringLiteral("x86");
    i.SystemIdentifier = QStringLiteral("AT/AT COMPATIBLE");
    i.BiosDate = QStringLiteral("09/12/03");
    i.BiosVersion = QStringLiteral("ASUS A7V8X-X ACPI BIOS Revision 1007");
    i.VideoBiosDate = QStringLiteral("08/21/02");
    i.VideoBiosVersion = QStringLiteral("NVIDIA GeForce4 MX VGA BIOS");
    i.OsName = QStringLiteral("Windows_NT");
    i.CommandInterpreter = QStringLiteral("C:\\WINNT\\system32\\cmd.exe");
    i.HomeDrive = QStringLiteral("C:");
    i.ExecutableExtensions = QStringLiteral(".COM;.EXE;.BAT;.CMD");
    i.SystemDrive = QStringLiteral("C:");
    i.SystemRoot = QStringLiteral("C:\\WINNT");
    i.WindowsDir = QStringLiteral("C:\\WINNT");
    i.TempDir = QStringLiteral("C:\\DOKUME~1\\Anna\\LOKALE~1\\Temp");
    i.IeVersion = QStringLiteral("6.0.2800.1106");
    i.IePatches = QStringLiteral(";SP1;Q823353;");
    i.WindowsVersion = QStringLiteral("5.0.2195 Service Pack 2");
    return i;
}

class SystemInfoCollection : public testing::Test {
protected:
    ControlledMachine machine;
};

}  // namespace

TEST_F(SystemInfoCollection, StartsEmptyAndFillsEveryFieldFromItsSource)
{
    EXPECT_EQ(SysInfo, SystemInfo{});
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());
    EXPECT_EQ(SysInfo, fullMachine());
    EXPECT_EQ(SysInfo.WindowsVersion.size(), 23);
}

TEST_F(SystemInfoCollection, FailedReadsSkipOnlyTheirFieldAndKeepTheOldValue)
{
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());

    // Second machine: list-of-texts BIOS version, clock 32768, no video date,
    // no service pack, and a processor count that is no number.
    useRegistry({fixture("sysinfo/broken.reg")});
    qputenv("NUMBER_OF_PROCESSORS", "zwei");
    qputenv("OS", "Anderes_OS");

    SystemInfo expected = fullMachine();
    expected.SystemIdentifier = QStringLiteral("Multiprocessor PC");
    expected.BiosDate = QStringLiteral("01/15/04");
    expected.VideoBiosVersion = QStringLiteral("ATI RAGE");
    expected.CpuVendor = QStringLiteral("AuthenticAMD");
    expected.IeVersion = QStringLiteral("5.50.4807.2300");
    expected.IePatches = QString();
    expected.OsName = QStringLiteral("Anderes_OS");
    expected.WindowsVersion = QStringLiteral("5.1.2600 ");
    for (int visit = 0; visit < 2; ++visit) {
        CollectSystemInfo(pointedMachine());
        EXPECT_EQ(SysInfo, expected) << "visit " << visit;
    }
}

TEST_F(SystemInfoCollection, FailedReadsAtTheFirstCollectionLeaveTheInitialValues)
{
    useRegistry({fixture("sysinfo/broken.reg")});
    qputenv("NUMBER_OF_PROCESSORS", "");
    CollectSystemInfo(pointedMachine());
    EXPECT_EQ(SysInfo.CpuCount, 0);
    EXPECT_EQ(SysInfo.CpuMhz, 0);
    EXPECT_EQ(SysInfo.BiosVersion, QString());
    EXPECT_EQ(SysInfo.VideoBiosDate, QString());
    EXPECT_EQ(SysInfo.CpuVendor, QStringLiteral("AuthenticAMD"));  // read after the failed clock
    EXPECT_EQ(SysInfo.TempDir, fullMachine().TempDir);
}

TEST_F(SystemInfoCollection, EmptyProcessorCountKeepsThePreviousCount)
{
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());
    qputenv("NUMBER_OF_PROCESSORS", "");
    qputenv("PROCESSOR_LEVEL", "15");
    CollectSystemInfo(pointedMachine());
    EXPECT_EQ(SysInfo.CpuCount, 2);
    EXPECT_EQ(SysInfo.CpuLevel, QStringLiteral("15"));
    qputenv("NUMBER_OF_PROCESSORS", " 4 ");
    CollectSystemInfo(pointedMachine());
    EXPECT_EQ(SysInfo.CpuCount, 4);
}

TEST_F(SystemInfoCollection, ValueGoneAtTheSecondCollectionKeepsTheOldText)
{
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());
    useRegistry({fixture("sysinfo/empty.reg")});
    CollectSystemInfo(pointedMachine());

    SystemInfo expected = fullMachine();
    expected.WindowsVersion = QStringLiteral(". ");  // composed afresh, see below
    EXPECT_EQ(SysInfo, expected);
}

TEST_F(SystemInfoCollection, WindowsVersionAtTheFirstCollection)
{
    const std::pair<const char*, QString> cases[] = {
        {"full.reg", QStringLiteral("5.0.2195 Service Pack 2")},
        {"broken.reg", QStringLiteral("5.1.2600 ")},
        {"no-build-number.reg", QStringLiteral("5.0. Service Pack 2")},
        {"empty.reg", QStringLiteral(". ")},
    };
    for (const auto& [file, version] : cases) {
        SysInfo.WindowsVersion.clear();  // each case as a first collection
        useRegistry({fixture(QStringLiteral("sysinfo/") + QLatin1String(file))});
        CollectSystemInfo(pointedMachine());
        EXPECT_EQ(SysInfo.WindowsVersion, version) << file;
    }
}

TEST_F(SystemInfoCollection, WindowsVersionDoesNotGrowWhenCurrentVersionIsGone)
{
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());
    useRegistry({fixture("sysinfo/no-current-version.reg")});
    for (int visit = 0; visit < 3; ++visit) {
        CollectSystemInfo(pointedMachine());
        EXPECT_EQ(SysInfo.WindowsVersion, QStringLiteral(".2195 Service Pack 4")) << visit;
    }
}

TEST_F(SystemInfoCollection, ShellObjectFailingLeavesTheRecordAndReachesTheCaller)
{
    useRegistry({fixture("sysinfo/full.reg")});
    CollectSystemInfo(pointedMachine());
    const SystemInfo before = SysInfo;

    useRegistry({fixture("sysinfo/unparsable.reg")});
    qputenv("NUMBER_OF_PROCESSORS", "8");
    EXPECT_THROW(CollectSystemInfo(pointedMachine()), runtime::RuntimeError);
    EXPECT_EQ(SysInfo, before);

    useRegistry({fixture("sysinfo/missing-file.reg")});
    EXPECT_THROW(CollectSystemInfo(pointedMachine()), runtime::RuntimeError);
    EXPECT_EQ(SysInfo, before);
}
