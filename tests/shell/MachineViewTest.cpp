#include "PointedMachine.h"
#include "ShellFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace runtime;
using namespace machine;
using namespace shell;

namespace {

const char* const kDerived[] = {"NUMBER_OF_PROCESSORS", "PROCESSOR_ARCHITECTURE", "PROCESSOR_IDENTIFIER",
                                "PROCESSOR_LEVEL", "PROCESSOR_REVISION", "OS", "COMSPEC", "TEMP"};

// A shell over the machine's own layers only, with the derived variables unset.
std::unique_ptr<WshShell> machineShell(const char* machine)
{
    useRegistry({});
    qputenv("WINEPREFIX", TESSERA_FIXTURES "/machines/no-such-prefix");
    for (const char* name : kDerived) qunsetenv(name);
    qunsetenv("SHELL");
    qunsetenv("TMPDIR");
    useMachine(machine);
    return CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
}

QString hw(const WshShell& shell, const char* value)
{
    try {
        return toText(shell.RegRead(QStringLiteral("HKLM\\Hardware\\Description\\System\\") + value));
    } catch (const RuntimeError& e) {
        return QStringLiteral("<%1>").arg(e.number() == static_cast<int>(0x80070002u) ? "fehlt" : "fehler");
    }
}

}  // namespace

TEST(HardwareView, IntelUsesBaseFrequencyAndDmi)
{
    const auto shell = machineShell("intel");
    EXPECT_EQ(shell->RegRead(QStringLiteral("HKLM\\Hardware\\Description\\System\\CentralProcessor\\0\\~Mhz")),
              Variant(std::int32_t{2100}));
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("GenuineIntel"));
    EXPECT_EQ(hw(*shell, "Identifier"), QStringLiteral("AT/AT COMPATIBLE"));
    EXPECT_EQ(hw(*shell, "SystemBiosDate"), QStringLiteral("04/02/2021"));
    EXPECT_EQ(hw(*shell, "SystemBiosVersion"), QStringLiteral("2.10.2"));
    EXPECT_EQ(hw(*shell, "VideoBiosDate"), QStringLiteral("<fehlt>"));
}

TEST(HardwareView, AmdFallsBackToMaximumFrequency)
{
    const auto shell = machineShell("amd");
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\~MHz"), QStringLiteral("3600"));
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("AuthenticAMD"));
    EXPECT_EQ(hw(*shell, "SystemBiosVersion"), QStringLiteral("F12"));
}

TEST(HardwareView, ArmShowsFirmwareModelAndNoClock)
{
    const auto shell = machineShell("arm");
    EXPECT_EQ(hw(*shell, "Identifier"), QStringLiteral("Raspberry Pi 4 Model B Rev 1.4"));
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("ARM Limited"));
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\~Mhz"), QStringLiteral("<fehlt>"));
    EXPECT_EQ(hw(*shell, "SystemBiosDate"), QStringLiteral("<fehlt>"));
}

TEST(HardwareView, NoDmiRoundsCpuinfoClock)
{
    const auto shell = machineShell("nodmi");
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\~Mhz"), QStringLiteral("848"));
    EXPECT_EQ(hw(*shell, "SystemBiosDate"), QStringLiteral("<fehlt>"));
    EXPECT_EQ(hw(*shell, "SystemBiosVersion"), QStringLiteral("<fehlt>"));
}

TEST(HardwareView, FifoOrFolderWhereAFileBelongsIsNoFact)
{
    // A FIFO without a writer would block the read; a folder reads as nothing.
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("proc"));
    QDir(root.path()).mkpath(QStringLiteral("sys/class/dmi/id/bios_version"));
    ASSERT_TRUE(QFile::copy(TESSERA_FIXTURES "/machines/intel/proc/cpuinfo", root.filePath("proc/cpuinfo")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("sys/class/dmi/id/bios_date")).constData(), 0600), 0);
    const auto shell = machineShell("intel");
    setMachineRoot(root.path());
    EXPECT_EQ(hw(*shell, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("GenuineIntel"));
    EXPECT_EQ(hw(*shell, "SystemBiosDate"), QStringLiteral("<fehlt>"));
    EXPECT_EQ(hw(*shell, "SystemBiosVersion"), QStringLiteral("<fehlt>"));
}

// One shell object reads the machine once, for its registry and its environment
// alike, so the facts of one page visit agree with each other; the next
// object, at the next visit, reads it afresh.
TEST(HardwareView, ReadOncePerShellObject)
{
    const auto first = machineShell("intel");
    const WshEnvironment env = first->Environment(QStringLiteral("PROCESS"));
    EXPECT_EQ(hw(*first, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("GenuineIntel"));
    useMachine("amd");
    EXPECT_EQ(hw(*first, "CentralProcessor\\0\\~MHz"), QStringLiteral("2100"));
    EXPECT_TRUE(env(QStringLiteral("PROCESSOR_IDENTIFIER")).endsWith(QStringLiteral("GenuineIntel")));
    const auto next = CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
    EXPECT_EQ(hw(*next, "CentralProcessor\\0\\VendorIdentifier"), QStringLiteral("AuthenticAMD"));
    EXPECT_TRUE(next->Environment(QStringLiteral("PROCESS"))(QStringLiteral("PROCESSOR_IDENTIFIER"))
                    .endsWith(QStringLiteral("AuthenticAMD")));
}

TEST(DerivedEnvironment, IntelAmdArmInWindowsFormats)
{
    struct Case {
        const char* machine;
        const char* count;
        const char* arch;
        const char* identifier;
        const char* level;
        const char* revision;
    } const cases[] = {
        {"intel", "5", "AMD64", "Intel64 Family 6 Model 85 Stepping 7, GenuineIntel", "6", "5507"},
        {"amd", "1", "AMD64", "AMD64 Family 23 Model 113 Stepping 0, AuthenticAMD", "23", "7100"},
        {"arm", "2", "ARM64", "ARMv8 (64-bit) Family 8 Model D08 Revision 3, ARM Limited", "8", "0003"},
        {"nodmi", "2", "x86", "x86 Family 6 Model 8 Stepping 1, GenuineIntel", "6", "0801"},
    };
    for (const Case& c : cases) {
        const auto env = machineShell(c.machine)->Environment(QStringLiteral("PROCESS"));
        EXPECT_EQ(env(QStringLiteral("NUMBER_OF_PROCESSORS")), QString::fromLatin1(c.count)) << c.machine;
        EXPECT_EQ(env(QStringLiteral("PROCESSOR_ARCHITECTURE")), QString::fromLatin1(c.arch)) << c.machine;
        EXPECT_EQ(env(QStringLiteral("processor_identifier")), QString::fromLatin1(c.identifier)) << c.machine;
        EXPECT_EQ(env(QStringLiteral("PROCESSOR_LEVEL")), QString::fromLatin1(c.level)) << c.machine;
        EXPECT_EQ(env(QStringLiteral("PROCESSOR_REVISION")), QString::fromLatin1(c.revision)) << c.machine;
    }
}

TEST(DerivedEnvironment, OsShellAndTemp)
{
    auto env = machineShell("intel")->Environment(QStringLiteral("PROCESS"));
    EXPECT_EQ(env(QStringLiteral("OS")), QStringLiteral("Linux"));
    EXPECT_EQ(env(QStringLiteral("COMSPEC")), QStringLiteral("/bin/sh"));
    EXPECT_EQ(env(QStringLiteral("TEMP")), QStringLiteral("/tmp"));
    qputenv("SHELL", "/bin/zsh");
    qputenv("TMPDIR", "/var/tmp");
    EXPECT_EQ(env(QStringLiteral("COMSPEC")), QStringLiteral("/bin/zsh"));
    EXPECT_EQ(env(QStringLiteral("Temp")), QStringLiteral("/var/tmp"));
    // A machine that does not say its kernel's name leaves OS unset.
    EXPECT_EQ(machineShell("nodmi")->Environment(QStringLiteral("PROCESS"))(QStringLiteral("OS")), QString());
}

TEST(DerivedEnvironment, SetVariablesWinEvenWhenEmpty)
{
    auto env = machineShell("intel")->Environment(QStringLiteral("PROCESS"));
    qputenv("NUMBER_OF_PROCESSORS", "64");
    qputenv("PROCESSOR_LEVEL", "");
    qputenv("Tessera_Mixed", "ja");
    EXPECT_EQ(env(QStringLiteral("number_of_processors")), QStringLiteral("64"));
    EXPECT_EQ(env(QStringLiteral("PROCESSOR_LEVEL")), QString());
    EXPECT_EQ(env(QStringLiteral("TESSERA_MIXED")), QStringLiteral("ja"));
    EXPECT_EQ(env(QStringLiteral("TESSERA_NOT_SET")), QString());
    // A name is the whole name: one cut short by NUL, or holding "=", names nothing.
    EXPECT_EQ(env(QStringLiteral("Tessera_Mixed") + QChar(u'\0') + QChar(u'X')), QString());
    EXPECT_EQ(env(QStringLiteral("Tessera_Mixed=ja")), QString());
}
