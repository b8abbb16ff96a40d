#include "ErrorOf.h"
#include "RegistryFile.h"
#include "SharedSamples.h"
#include "inventory/Inventory.h"
#include "inventory/Times.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using inventory::Inventory;

namespace {

QString image(const char* name) { return QStringLiteral(TESSERA_IMAGES "/") + QLatin1String(name); }

Inventory inventoryOf(const QStringList& sources)
{
    const auto machine = shell::Machine::open(sources, shell::Machine::Reuse::Fresh);
    const auto read = inventory::readInventory(*machine);
    EXPECT_TRUE(read.has_value());
    return read.value_or(Inventory{});
}

const inventory::Drive* drive(const Inventory& i, const char* letter)
{
    for (const auto& d : i.drives)
        if (d.letter == QLatin1String(letter)) return &d;
    return nullptr;
}

QStringList names(const Inventory& i)
{
    QStringList list;
    for (const auto& a : i.applications) list << a.name + QStringLiteral(" | ") + a.scope;
    return list;
}

}  // namespace

// A real Windows 7 (its SYSTEM alone): every fact as python3-hivex shows the
// hive holds it. A domain, two static addresses, a time zone whose key name
// carries junk after its NUL, MBR drive letters beside device paths.
TEST(Inventory, ARealWindows7)
{
    const QString system = unpackedSample(QStringLiteral("real-hives/dirty/SYSTEM.xz"));
    SKIP_WITHOUT_SHARED(system);
    const Inventory i = inventoryOf({system});
    EXPECT_EQ(i.hostname, QStringLiteral("WKS-WIN732BITA"));
    EXPECT_EQ(i.dnsHostname, QStringLiteral("WKS-WIN732BITA"));
    EXPECT_EQ(i.domain, QStringLiteral("shieldbase.local"));
    EXPECT_EQ(i.architecture, QStringLiteral("x86"));
    EXPECT_EQ(i.lastShutdown, QStringLiteral("2012-04-04T01:58:40Z"));  // 01cd12067529d733
    ASSERT_TRUE(i.timeZone.has_value());
    EXPECT_EQ(i.timeZone->name, QStringLiteral("Eastern Standard Time"));
    EXPECT_EQ(i.timeZone->biasMinutes, 300);

    ASSERT_EQ(i.drives.size(), 4u);
    const auto* c = drive(i, "C:");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->mbrSignature, 0x5cbea03eu);  // 3e a0 be 5c
    EXPECT_EQ(c->offset, 0x100000u);
    EXPECT_EQ(c->partition, 0);  // no disk was read
    EXPECT_TRUE(drive(i, "D:")->device.startsWith(QStringLiteral("\\??\\IDE#CdRomNECVMWar_VMware_IDE_CDR10")));
    EXPECT_TRUE(drive(i, "E:")->device.startsWith(QStringLiteral("_??_USBSTOR#Disk&Ven_HP&Prod_v100w")));
    EXPECT_TRUE(drive(i, "A:")->device.startsWith(QStringLiteral("\\??\\FDC#GENERIC_FLOPPY_DRIVE")));
    EXPECT_EQ(i.drives.front().letter, QStringLiteral("A:"));  // by letter

    ASSERT_EQ(i.network.size(), 2u);  // the third interface holds no address
    const auto& first = i.network[0];
    EXPECT_EQ(first.adapter, QStringLiteral("{698E50A9-4F58-4D86-B61D-F42E58DCACF6}"));
    EXPECT_FALSE(first.dhcp);
    EXPECT_EQ(first.addresses, QStringList{QStringLiteral("10.3.58.5")});
    EXPECT_EQ(first.masks, QStringList{QStringLiteral("255.255.255.0")});
    EXPECT_EQ(first.gateways, QStringList{QStringLiteral("10.3.58.1")});
    EXPECT_EQ(first.dnsServers, QStringList{QStringLiteral("10.3.58.4")});
    EXPECT_TRUE(first.domain.isEmpty());
    EXPECT_EQ(i.network[1].addresses, QStringList{QStringLiteral("192.168.1.123")});
    EXPECT_EQ(i.network[1].dnsServers, QStringList{QStringLiteral("192.168.1.112")});
    // Without SOFTWARE: no users, no programs, nothing of it warned about.
    EXPECT_TRUE(i.users.empty());
    EXPECT_TRUE(i.applications.empty());
    EXPECT_TRUE(i.warnings.isEmpty()) << i.warnings.join(u'\n').toStdString();
}

// A real Windows 10 1709: a DHCP lease and a VMware CD drive; adapters without
// a lease left out; two disks' MBR signatures.
TEST(Inventory, ARealWindows10)
{
    const QString system = unpackedSample(QStringLiteral("real-hives/dirty/SYSTEM_WIN_10_1709.xz"));
    SKIP_WITHOUT_SHARED(system);
    const Inventory i = inventoryOf({system});
    EXPECT_EQ(i.hostname, QStringLiteral("DESKTOP-2KGM189"));
    EXPECT_EQ(i.domain, std::nullopt);  // Domain and NV Domain empty, no SOFTWARE
    EXPECT_EQ(i.architecture, QStringLiteral("AMD64"));
    EXPECT_EQ(i.lastShutdown, QStringLiteral("2020-04-19T09:08:44Z"));  // 01d6162a20d469ef
    EXPECT_EQ(i.timeZone->name, QStringLiteral("Pacific Standard Time"));
    EXPECT_EQ(i.timeZone->biasMinutes, 480);
    ASSERT_EQ(i.network.size(), 1u);
    const auto& lease = i.network[0];
    EXPECT_EQ(lease.adapter, QStringLiteral("{5f3f359e-9d52-4566-9bec-37efdfb25abe}"));
    EXPECT_TRUE(lease.dhcp);
    EXPECT_EQ(lease.addresses, QStringList{QStringLiteral("192.168.146.128")});
    EXPECT_EQ(lease.masks, QStringList{QStringLiteral("255.255.255.0")});
    EXPECT_EQ(lease.gateways, QStringList{QStringLiteral("192.168.146.2")});
    EXPECT_EQ(lease.dnsServers, QStringList{QStringLiteral("192.168.146.2")});
    EXPECT_EQ(lease.domain, QStringLiteral("localdomain"));
    EXPECT_EQ(drive(i, "C:")->mbrSignature, 0xdf4546aeu);
    EXPECT_EQ(drive(i, "C:")->offset, 0x1f500000u);
    EXPECT_EQ(drive(i, "E:")->mbrSignature, 0xdf4546aeu);
    EXPECT_EQ(drive(i, "E:")->offset, 0x100000u);
    EXPECT_EQ(drive(i, "F:")->mbrSignature, 0x002b1be5u);
    EXPECT_TRUE(drive(i, "D:")->device.startsWith(QStringLiteral("\\??\\SCSI#CdRom&Ven_NECVMWar&Prod_VMware")));
}

// A real user's own programs (NTUSER.DAT), and real SAM names: the profiles of
// the machine's SID are named as SAM names their accounts, a profile of another
// SID with the same relative ID by its folder.
TEST(Inventory, ARealUsersProgramsAndRealSamNames)
{
    const QString ntuser = unpackedSample(QStringLiteral("real-hives/users/NTUSER_with_winscp.DAT.xz"));
    const QString sam = unpackedSample(QStringLiteral("real-hives/users/SAM.xz"));
    SKIP_WITHOUT_SHARED(ntuser);
    SKIP_WITHOUT_SHARED(sam);
    QTemporaryDir root;
    const QString config = root.filePath(QStringLiteral("Windows/System32/config"));
    ASSERT_TRUE(QDir().mkpath(config) && QDir().mkpath(root.filePath(QStringLiteral("Users/Preston"))));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("hives/win10/Windows/System32/config/SYSTEM")), config + QStringLiteral("/SYSTEM")));
    ASSERT_TRUE(QFile::copy(sam, config + QStringLiteral("/SAM")));
    ASSERT_TRUE(QFile::copy(ntuser, root.filePath(QStringLiteral("Users/Preston/NTUSER.DAT"))));
    const RegistryFile software(QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
        "\"SystemRoot\"=\"C:\\\\Windows\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1760460187-1592185332-161725925-1000]\n"
        "\"ProfileImagePath\"=\"C:\\\\Users\\\\Preston\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1760460187-1592185332-161725925-500]\n"
        "\"ProfileImagePath\"=\"C:\\\\Users\\\\Admin.alt\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1000]\n"
        "\"ProfileImagePath\"=\"C:\\\\Users\\\\gast\"\n"));
    const Inventory i = inventoryOf({config + QStringLiteral("/SYSTEM"), software.path()});
    ASSERT_EQ(i.users.size(), 3u);
    EXPECT_EQ(i.users[0].name, QStringLiteral("Preston"));
    EXPECT_EQ(i.users[1].name, QStringLiteral("Administrator"));  // RID 500, not the folder's name
    EXPECT_EQ(i.users[2].name, QStringLiteral("gast"));
    // Preston's NTUSER.DAT is the real user's: their programs, "user Preston".
    const QStringList expected = {
        QStringLiteral("GitHub Desktop | user Preston"),
        QStringLiteral("Zoom | user Preston"),
        QStringLiteral("JetBrains dotPeek 2021.3.3 | user Preston"),
        QStringLiteral("Python 3.10.2 (64-bit) | user Preston"),
    };
    EXPECT_EQ(names(i), expected);
    EXPECT_EQ(i.applications[0].version, QStringLiteral("3.0.0"));
    EXPECT_EQ(i.applications[0].installed, QStringLiteral("2022-04-28"));
    EXPECT_EQ(i.applications[0].location, QStringLiteral("C:\\Users\\tony\\AppData\\Local\\GitHubDesktop"));
    EXPECT_TRUE(i.warnings.isEmpty()) << i.warnings.join(u'\n').toStdString();
}

// The fixtures' Windows 10, made here, as its disk holds it: every fact.
TEST(Inventory, TheFixturesMachineOnItsDisk)
{
    const Inventory i = inventoryOf({image("gpt-win10.raw")});
    EXPECT_EQ(i.hostname, QStringLiteral("DESKTOP-TESSERA"));
    EXPECT_EQ(i.dnsHostname, QStringLiteral("desktop-tessera"));
    EXPECT_EQ(i.domain, QStringLiteral("beispiel.local"));  // Domain empty: NV Domain
    EXPECT_EQ(i.installed, QStringLiteral("2022-01-01T11:00:00Z"));  // InstallTime, not the later InstallDate
    EXPECT_EQ(i.lastShutdown, QStringLiteral("2023-11-14T08:30:00Z"));
    EXPECT_EQ(i.timeZone->name, QStringLiteral("W. Europe Standard Time"));
    EXPECT_EQ(i.timeZone->biasMinutes, -60);

    // C: names the Windows partition by its GUID, E: a partition of another (MBR) disk.
    ASSERT_EQ(i.drives.size(), 3u);
    EXPECT_EQ(drive(i, "C:")->partitionGuid, QStringLiteral("3f2504e0-4f89-41d3-9a0c-0305e82c3301"));
    EXPECT_EQ(drive(i, "C:")->partition, 3);
    EXPECT_EQ(drive(i, "E:")->mbrSignature, 0x1badcafeu);
    EXPECT_EQ(drive(i, "E:")->partition, 0);
    EXPECT_EQ(inventoryOf({image("two-windows.raw@1")}).drives[2].partition, 1);  // that disk: its first partition

    ASSERT_EQ(i.network.size(), 2u);  // the two without an address left out
    EXPECT_EQ(i.network[0].addresses, (QStringList{QStringLiteral("192.168.10.20"), QStringLiteral("10.0.0.5")}));
    EXPECT_EQ(i.network[0].dnsServers, (QStringList{QStringLiteral("192.168.10.1"), QStringLiteral("1.1.1.1")}));
    EXPECT_EQ(i.network[1].dnsServers, (QStringList{QStringLiteral("172.16.0.2"), QStringLiteral("172.16.0.3")}));
    EXPECT_EQ(i.network[1].domain, QStringLiteral("dhcp.beispiel"));

    ASSERT_EQ(i.users.size(), 3u);  // not S-1-5-18
    EXPECT_EQ(i.users[0].name, QStringLiteral("bob"));
    EXPECT_EQ(i.users[0].lastUsed, QStringLiteral("2023-12-01T09:15:00Z"));
    EXPECT_EQ(i.users[1].name, QStringLiteral("anna"));
    EXPECT_EQ(i.users[1].profile, QStringLiteral("C:\\Users\\anna"));  // %SystemDrive% resolved
    EXPECT_EQ(i.users[2].name, QStringLiteral("chef"));  // another domain's RID 1001 is not bob

    // Both views, 7-Zip once; no component, no entry without a name; bob's own.
    const QStringList expected = {
        QStringLiteral("7-Zip 23.01 (x64) | machine"),
        QStringLiteral("Notepad++ (64-bit x64) | machine"),
        QStringLiteral("Microsoft Visual C++ 2015-2022 Redistributable (x64) - 14.38.33130 | machine"),
        QStringLiteral("Adobe Acrobat Reader DC - Deutsch | machine 32-bit"),
        QStringLiteral("GitHub Desktop | user bob"),
        QStringLiteral("Zoom | user bob"),
    };
    EXPECT_EQ(names(i), expected);
    EXPECT_EQ(i.applications[1].installed, QStringLiteral("14.11.2023"));  // another form, as it stands
    EXPECT_EQ(i.applications[2].installed, QStringLiteral("2023-11-14"));
    EXPECT_TRUE(i.warnings.isEmpty()) << i.warnings.join(u'\n').toStdString();
}

// A Wine prefix's machine: its name and programs, its user's from user.reg;
// a user.reg of another user gives nothing of hers.
TEST(Inventory, AWinePrefix)
{
    const Inventory i = inventoryOf({fixture(QStringLiteral("wine-prefix"))});
    EXPECT_EQ(i.hostname, QStringLiteral("WINEHOST"));
    ASSERT_EQ(i.users.size(), 1u);
    EXPECT_EQ(i.users[0].name, QStringLiteral("wineuser"));
    EXPECT_EQ(names(i), (QStringList{QStringLiteral("Wine Mono Runtime | machine"),
                                     QStringLiteral("Wine Gecko (32-bit) | machine 32-bit"),
                                     QStringLiteral("Notepad++ (32-bit x86) | user wineuser")}));

    QTemporaryDir prefix;
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("wine-prefix/system.reg")), prefix.filePath(QStringLiteral("system.reg"))));
    QFile user(prefix.filePath(QStringLiteral("user.reg")));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1001\n\n"
               "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\X] 1700000000\n\"DisplayName\"=\"X\"\n");
    user.close();
    EXPECT_EQ(inventoryOf({prefix.path()}).applications.size(), 2u);
}

// Damaged values are left empty, each with a warning naming it; the record
// goes on. A hive damaged where a lookup reaches is a warning too.
TEST(Inventory, DamagedValuesAreEmptyWithAWarning)
{
    const RegistryFile damaged(QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\ComputerName\\ComputerName]\n\"ComputerName\"=\"HEIL\"\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Windows]\n\"ShutdownTime\"=hex:01,02,03,04,05,06\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\TimeZoneInformation]\n\"Bias\"=\"-60\"\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\MountedDevices]\n\"\\\\DosDevices\\\\C:\"=hex:01,02,03\n"
        "\"\\\\DosDevices\\\\D:\"=hex:5c,00,01,00\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n\"InstallTime\"=dword:00000001\n"
        "\"InstallDate\"=hex(b):00,00,00,00,00,00,00,00\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A]\n"
        "\"DisplayName\"=hex:41,00\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\B]\n"
        "\"DisplayName\"=\"B\"\n\"SystemComponent\"=\"1\"\n"));
    const Inventory i = inventoryOf({damaged.path()});
    EXPECT_EQ(i.hostname, QStringLiteral("HEIL"));
    EXPECT_EQ(i.lastShutdown, std::nullopt);
    EXPECT_EQ(i.timeZone, std::nullopt);
    EXPECT_EQ(i.installed, std::nullopt);
    EXPECT_TRUE(i.drives.empty());
    EXPECT_EQ(names(i), QStringList{QStringLiteral("B | machine")});  // a text "1" is no SystemComponent
    const QString told = i.warnings.join(u'\n');
    for (const char* named : {"\u201EShutdownTime\u201C", "ist 6 Bytes lang statt 8", "\u201EBias\u201C",
                              "\u201E\\DosDevices\\C:\u201C", "ist 3 Bytes lang", "\u201E\\DosDevices\\D:\u201C",
                              "\u201EInstallTime\u201C", "\u201EInstallDate\u201C", "\u201EDisplayName\u201C",
                              "\u201ESystemComponent\u201C"})
        EXPECT_TRUE(told.contains(QString::fromUtf8(named))) << named << "\n" << told.toStdString();
    EXPECT_EQ(i.warnings.size(), 8) << told.toStdString();

    // The fixtures' SYSTEM with the key cell of ComputerName broken: that fact
    // is a warning, the others are read.
    QTemporaryDir dir;
    QFile hive(fixture(QStringLiteral("hives/win10/Windows/System32/config/SYSTEM")));
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    QByteArray bytes = hive.readAll();
    const qsizetype name = bytes.indexOf("ComputerName");
    ASSERT_GT(name, 0x4C);
    ASSERT_EQ(bytes.mid(name - 0x4C, 2), QByteArray("nk"));
    bytes[name - 0x4C] = 'x';
    QFile broken(dir.filePath(QStringLiteral("SYSTEM")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(bytes);
    broken.close();
    const Inventory b = inventoryOf({broken.fileName()});
    EXPECT_EQ(b.hostname, std::nullopt);
    EXPECT_EQ(b.timeZone->biasMinutes, -60);
    EXPECT_EQ(b.network.size(), 2u);
    ASSERT_FALSE(b.warnings.isEmpty());
    EXPECT_TRUE(b.warnings.front().contains(QStringLiteral("ComputerName"))) << b.warnings.front().toStdString();
}

// This machine runs no Windows: it has no inventory.
TEST(Inventory, ThisMachineHasNone)
{
    EXPECT_FALSE(inventory::readInventory(*shell::Machine::open(std::nullopt)).has_value());
}

TEST(InventoryTimes, FileTimesUnixTimesAndDates)
{
    using namespace inventory;
    EXPECT_EQ(fileTimeText(0), std::nullopt);
    EXPECT_EQ(fileTimeText(1), QStringLiteral("1601-01-01T00:00:00Z"));
    EXPECT_EQ(fileTimeText(116444736000000000ull), QStringLiteral("1970-01-01T00:00:00Z"));
    EXPECT_EQ(fileTimeText(~0ull), std::nullopt);  // past 9999
    EXPECT_EQ(unixTimeText(0), std::nullopt);
    EXPECT_EQ(unixTimeText(1641034800), QStringLiteral("2022-01-01T11:00:00Z"));
    EXPECT_EQ(compactDateText(QStringLiteral("20231114")), QStringLiteral("2023-11-14"));
    EXPECT_EQ(compactDateText(QStringLiteral("20231332")), std::nullopt);
    EXPECT_EQ(compactDateText(QStringLiteral("2023-11-14")), std::nullopt);
}
