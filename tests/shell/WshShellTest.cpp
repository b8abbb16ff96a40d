#include "PointedMachine.h"
#include "ShellFixture.h"

#include <gtest/gtest.h>

using namespace runtime;
using namespace shell;

namespace {

Variant read(const char* path)
{
    return CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine())->RegRead(QString::fromUtf8(path));
}

}  // namespace

TEST(WshShell, ProgIdAndEnvironmentKind)
{
    useRegistry({fixture("shell/second.reg")});
    EXPECT_NE(CreateObject(QStringLiteral("WSCRIPT.shell"), pointedMachine()), nullptr);
    const auto [number, text] = errorOf([] { CreateObject(QStringLiteral("Scripting.FileSystemObject"), pointedMachine()); });
    EXPECT_EQ(number, 429);
    EXPECT_EQ(text, QStringLiteral("Objekterstellung durch ActiveX-Komponente nicht möglich"));
    const auto shell = CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
    EXPECT_NO_THROW(shell->Environment(QStringLiteral("process")));
    EXPECT_EQ(errorOf([&] { shell->Environment(QStringLiteral("SYSTEM")); }).first, 5);
}

TEST(WshShell, EachValueType)
{
    useRegistry({fixture("shell/first.reg")});
    qputenv("TESSERA_X", "/opt/t");
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Text"), Variant(QStringLiteral("aus first")));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\"), Variant(QStringLiteral("Vorgabe")));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Minus"), Variant(std::int32_t{-1}));
    // Set variables expand; unknown ones stay as written.
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Expand"), Variant(QStringLiteral("/opt/t\\bin %NOPE%")));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Multi"), Variant(QStringList{QStringLiteral("a"), QStringLiteral("bc")}));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Bytes"), Variant(QByteArray("\x01\x02\xff", 3)));
    EXPECT_EQ(errorOf([] { read("HKLM\\Software\\Tessera\\Quad"); }).first, 13);
    // Roots, keys and value names in any case.
    EXPECT_EQ(read("hkey_local_machine\\SOFTWARE\\tessera\\text"), Variant(QStringLiteral("aus first")));
}

TEST(WshShell, MissingValuesAndBadRootsNameThePath)
{
    useRegistry({fixture("shell/first.reg")});
    for (const char* path : {"HKLM\\Software\\Tessera\\Nope", "HKLM\\Software\\Nope\\Text", "HKLM\\"}) {
        const auto [number, text] = errorOf([&] { read(path); });
        EXPECT_EQ(number, static_cast<int>(0x80070002u)) << path;
        EXPECT_TRUE(text.contains(QString::fromUtf8(path))) << text.toStdString();
    }
    for (const char* path : {"HKCU\\Software\\Tessera\\Text", "Software\\Tessera\\Text", "HKLMSoftware\\x"}) {
        const auto [number, text] = errorOf([&] { read(path); });
        EXPECT_EQ(number, static_cast<int>(0x80070003u)) << path;
        EXPECT_TRUE(text.contains(QString::fromUtf8(path)));
    }
}

TEST(WshShell, SeveralFilesEarlierWinsAndNothingElse)
{
    useRegistry({fixture("shell/first.reg"), fixture("shell/second.reg")});
    useMachine("intel");
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\Text"), Variant(QStringLiteral("aus first")));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\OnlyFirst"), Variant(QStringLiteral("eins")));
    EXPECT_EQ(read("HKLM\\Software\\Tessera\\OnlySecond"), Variant(QStringLiteral("zwei")));
    // Neither the hardware view nor the built-in defaults are mixed in.
    EXPECT_EQ(errorOf([] { read("HKLM\\Hardware\\Description\\System\\Identifier"); }).first,
              static_cast<int>(0x80070002u));
    EXPECT_EQ(errorOf([] {
                  read("HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
                       "{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name");
              }).first,
              static_cast<int>(0x80070002u));
}

TEST(WshShell, ControlSetAliasFollowsSelectCurrent)
{
    // first.reg selects set 2 and holds only ControlSet002.
    useRegistry({fixture("shell/first.reg"), fixture("shell/second.reg")});
    const char* current = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\";
    EXPECT_EQ(read((QByteArray(current) + "LargeSystemCache").constData()), Variant(std::int32_t{1}));
    // second.reg has no Select key, so its set 1 is its current one.
    EXPECT_EQ(read((QByteArray(current) + "SecondLevelDataCache").constData()), Variant(std::int32_t{256}));
}

TEST(WshShell, WineLinkKeyIsFollowed)
{
    useRegistry({fixture("shell/wine.reg")});
    EXPECT_EQ(read("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\IOPageLockLimit"),
              Variant(std::int32_t{524288}));
    EXPECT_EQ(read("HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\"
                   "{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name"),
              Variant(QStringLiteral("Lautstärke")));
}

TEST(WshShell, UnparsableSourceFailsCreation)
{
    useRegistry({fixture("shell/second.reg"), fixture("shell/broken.reg")});
    const auto [number, text] = errorOf([] { CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine()); });
    EXPECT_NE(number, 0);
    EXPECT_TRUE(text.contains(QStringLiteral("broken.reg"))) << text.toStdString();
}

TEST(WshShell, MachineLayersWineThenDefaults)
{
    useRegistry({});
    QTemporaryDir prefix;
    QFile::copy(fixture("shell/wine.reg"), prefix.filePath(QStringLiteral("system.reg")));
    qputenv("WINEPREFIX", prefix.path().toUtf8());
    useMachine("nodmi");
    const QString media = QStringLiteral("HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\");
    const auto shell = CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
    EXPECT_EQ(shell->RegRead(media + "{185FEDE3-9905-11D1-95A9-00C04FB925D3}\\Name"), Variant(QStringLiteral("Lautstärke")));
    EXPECT_EQ(shell->RegRead(media + "{62D35A1A-E42B-11D1-B073-00608CCBD2F1}\\Name"), Variant(QStringLiteral("Monomixer")));
    const QString memory = QStringLiteral("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\");
    EXPECT_EQ(shell->RegRead(memory + "IOPageLockLimit"), Variant(std::int32_t{524288}));
    EXPECT_EQ(shell->RegRead(memory + "ClearPageFileAtShutdown"), Variant(std::int32_t{0}));
    EXPECT_EQ(shell->RegRead(QStringLiteral("HKLM\\Hardware\\Description\\System\\Identifier")),
              Variant(QStringLiteral("AT/AT COMPATIBLE")));
}

TEST(WshShell, BuiltinDefaultsWithoutPrefix)
{
    useRegistry({});
    QTemporaryDir empty;
    qputenv("WINEPREFIX", empty.path().toUtf8());
    const QString media = QStringLiteral("HKLM\\SYSTEM\\ControlSet001\\Control\\MediaCategories\\");
    const auto shell = CreateObject(QStringLiteral("Wscript.Shell"), pointedMachine());
    const std::pair<const char*, const char*> names[] = {
        {"185FEDE3-9905-11D1-95A9-00C04FB925D3", "Summe"}, {"DFF21FE4-F70F-11D0-B917-00A0C9223196", "Wave"},
        {"185FEDED-9905-11D1-95A9-00C04FB925D3", "Mikrofon"}, {"62D35A12-E42B-11D1-B073-00608CCBD2F1", "Telefon"},
        {"62D35A14-E42B-11D1-B073-00608CCBD2F1", "Line-In"}, {"62D35A15-E42B-11D1-B073-00608CCBD2F1", "CD"},
        {"62D35A16-E42B-11D1-B073-00608CCBD2F1", "MIDI"}, {"62D35A17-E42B-11D1-B073-00608CCBD2F1", "Aux"},
        {"62D35A18-E42B-11D1-B073-00608CCBD2F1", "Wave-Synthesizer"},
        {"62D35A19-E42B-11D1-B073-00608CCBD2F1", "Stereomixer"}, {"62D35A1A-E42B-11D1-B073-00608CCBD2F1", "Monomixer"},
    };
    for (const auto& [guid, name] : names)
        EXPECT_EQ(shell->RegRead(media + "{" + guid + "}\\Name"), Variant(QString::fromLatin1(name))) << guid;
    const QString memory = QStringLiteral("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management\\");
    for (const char* value : {"ClearPageFileAtShutdown", "DisablePagingExecutive", "LargeSystemCache",
                              "IOPageLockLimit", "SecondLevelDataCache"})
        EXPECT_EQ(shell->RegRead(memory + value), Variant(std::int32_t{0})) << value;
}
