#include "inventory/Inventory.h"

#include "inventory/Applications.h"
#include "inventory/Drives.h"
#include "inventory/KeyReader.h"
#include "inventory/Network.h"
#include "inventory/Times.h"
#include "inventory/Users.h"

namespace inventory {

namespace {

constexpr QStringView kTcpip = u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr QStringView kCurrentVersion = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// A text fact and the values it is read from, the first that holds a text winning.
struct Place {
    QStringView key, value;
};
struct TextFact {
    std::optional<QString> Inventory::*field;
    Place places[3];
};
const TextFact kTextFacts[] = {
    {&Inventory::hostname, {{u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName"}}},
    {&Inventory::dnsHostname, {{kTcpip, u"Hostname"}, {kTcpip, u"NV Hostname"}}},
    {&Inventory::domain,
     {{kTcpip, u"Domain"},
      {kTcpip, u"NV Domain"},
      {u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History", u"MachineDomain"}}},
    {&Inventory::architecture, {{u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                                 u"PROCESSOR_ARCHITECTURE"}}},
};

// When Windows was installed: InstallTime (a FILETIME, which Windows 10's
// feature updates keep), else InstallDate (Unix seconds).
std::optional<QString> installedAt(const KeyReader& reader)
{
    if (const auto time = reader.qword(kCurrentVersion, u"InstallTime"))
        if (auto text = fileTimeText(*time)) return text;
    if (const auto seconds = reader.dword(kCurrentVersion, u"InstallDate")) return unixTimeText(*seconds);
    return std::nullopt;
}

// When Windows last shut down: Control\Windows ShutdownTime, a FILETIME in 8 bytes.
std::optional<QString> lastShutdown(const KeyReader& reader)
{
    constexpr QStringView key = u"SYSTEM\\CurrentControlSet\\Control\\Windows";
    const auto value = reader.raw(key, u"ShutdownTime");
    if (!value) return std::nullopt;
    if (value->data.size() != 8) {
        reader.warn(key, u"ShutdownTime", QStringLiteral("ist %1 Bytes lang statt 8").arg(value->data.size()));
        return std::nullopt;
    }
    std::uint64_t time = 0;
    for (int i = 7; i >= 0; --i) time = time << 8 | static_cast<unsigned char>(value->data[i]);
    return fileTimeText(time);
}

// The time zone's key name (up to its first NUL: junk after it is common),
// else its standard name, and its bias from UTC in minutes (UTC = local + bias).
std::optional<TimeZone> timeZone(const KeyReader& reader)
{
    constexpr QStringView key = u"SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation";
    TimeZone zone;
    zone.name = reader.text(key, u"TimeZoneKeyName").value_or(QString());
    if (zone.name.isEmpty()) zone.name = reader.text(key, u"StandardName").value_or(QString());
    if (const auto bias = reader.dword(key, u"Bias")) zone.biasMinutes = std::int32_t(*bias);
    if (zone.name.isEmpty() && !zone.biasMinutes) return std::nullopt;
    return zone;
}

}  // namespace

std::optional<Inventory> readInventory(const shell::Machine& machine)
{
    if (!machine.viewsAnotherMachine()) return std::nullopt;
    Inventory inventory;
    const KeyReader reader(machine, inventory.warnings);
    for (const TextFact& fact : kTextFacts) {
        for (const Place& place : fact.places) {
            if (place.key.isEmpty()) break;
            const QString text = reader.text(place.key, place.value).value_or(QString()).trimmed();
            if (text.isEmpty()) continue;
            inventory.*fact.field = text;
            break;
        }
    }
    inventory.installed = installedAt(reader);
    inventory.lastShutdown = lastShutdown(reader);
    inventory.timeZone = timeZone(reader);
    const registry::InstallationFiles* files = machine.files().get();
    inventory.drives = readDrives(reader, files ? files->partitionTable() : nullptr);
    inventory.network = readNetwork(reader);
    const SystemFolders system = systemFoldersOf(reader);
    inventory.users = readUsers(reader, files, system, inventory.warnings);
    inventory.applications = readApplications(reader, machineViews());
    for (const User& user : inventory.users) {
        const auto hive = userRegistry(user, files, system, inventory.warnings);
        if (!hive) continue;
        const KeyReader userReader(*hive, QStringLiteral("im Profil von %1").arg(user.name), inventory.warnings);
        for (Application& a : readApplications(userReader, userViews(user.name)))
            inventory.applications.push_back(std::move(a));
    }
    return inventory;
}

}  // namespace inventory
