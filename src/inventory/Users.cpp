#include "inventory/Users.h"

#include "disk/FileBytes.h"
#include "inventory/Times.h"
#include "runtime/RuntimeError.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace inventory {

namespace {

constexpr QStringView kProfileList = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr QStringView kSamAccount = u"SAM\\Domains\\Account";
constexpr QStringView kSamNames = u"SAM\\Domains\\Account\\Users\\Names";
constexpr QStringView kSystemAccounts[] = {u"S-1-5-18", u"S-1-5-19", u"S-1-5-20"};

// "C:\Users\bob" of "%SystemDrive%\Users\bob": the two variables profile paths are written with.
QString expanded(QString path, const SystemFolders& system)
{
    path.replace(QStringLiteral("%SystemDrive%"), system.drive, Qt::CaseInsensitive);
    path.replace(QStringLiteral("%SystemRoot%"), system.root, Qt::CaseInsensitive);
    return path;
}

// The machine's own SID ("S-1-5-21-a-b-c"): it ends the V value of SAM's
// account domain, 24 bytes: revision 1, four sub-authorities, authority 5,
// the first sub-authority 21.
std::optional<QString> machineSid(const KeyReader& sam)
{
    const auto v = sam.raw(kSamAccount, u"V");
    if (!v || v->data.size() < 24) return std::nullopt;
    const char* sid = v->data.constData() + v->data.size() - 24;
    static const char head[] = {1, 4, 0, 0, 0, 0, 0, 5};
    if (std::memcmp(sid, head, sizeof head) != 0 || disk::le32(sid + 8) != 21) {
        sam.warn(kSamAccount, u"V", QStringLiteral("endet nicht in der SID des Rechners"));
        return std::nullopt;
    }
    return QStringLiteral("S-1-5-21-%1-%2-%3").arg(disk::le32(sid + 12)).arg(disk::le32(sid + 16)).arg(disk::le32(sid + 20));
}

// The local accounts' names by SID: each name under SAM's Names is a key
// whose default value's type is the account's relative ID.
std::map<QString, QString> accountNames(const registry::InstallationFiles* files, const SystemFolders& system,
                                        QStringList& warnings)
{
    std::map<QString, QString> names;
    if (!files) return names;
    std::shared_ptr<const registry::RegistrySource> hive;
    try {
        hive = files->hive(system.root + QStringLiteral("\\System32\\config\\SAM"));
    } catch (const runtime::RuntimeError& error) {
        warnings << QStringLiteral("Die Registrierungsstruktur SAM ist nicht lesbar, die Benutzer heißen wie ihre "
                                   "Profilordner: %1")
                        .arg(error.description());
    }
    if (!hive) return names;
    const KeyReader sam(*hive, QStringLiteral("in SAM"), warnings);
    const auto machine = machineSid(sam);
    if (!machine) return names;
    for (const QString& name : sam.subkeys(kSamNames))
        if (const auto account = sam.raw(kSamNames.toString() + u'\\' + name, u""))
            names[(*machine + QStringLiteral("-%1").arg(account->type)).toUpper()] = name;
    return names;
}

}  // namespace

SystemFolders systemFoldersOf(const KeyReader& reader)
{
    QString root = reader.text(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"SystemRoot").value_or(QString());
    if (root.size() < 3 || root[1] != u':') root = QStringLiteral("C:\\Windows");
    return {root.left(2).toUpper(), root};
}

std::vector<User> readUsers(const KeyReader& reader, const registry::InstallationFiles* files,
                            const SystemFolders& system, QStringList& warnings)
{
    const std::map<QString, QString> names = accountNames(files, system, warnings);
    std::vector<User> users;
    for (const QString& sid : reader.subkeys(kProfileList)) {
        if (std::any_of(std::begin(kSystemAccounts), std::end(kSystemAccounts),
                        [&](QStringView own) { return sid.compare(own, Qt::CaseInsensitive) == 0; }))
            continue;
        const QString key = kProfileList.toString() + u'\\' + sid;
        User user;
        user.sid = sid;
        user.profile = expanded(reader.text(key, u"ProfileImagePath").value_or(QString()), system);
        const auto high = reader.dword(key, u"LocalProfileLoadTimeHigh");
        const auto low = reader.dword(key, u"LocalProfileLoadTimeLow");
        if (high && low) user.lastUsed = fileTimeText(std::uint64_t(*high) << 32 | *low);
        const auto named = names.find(sid.toUpper());
        user.name = named != names.end() ? named->second : disk::lastNameOf(user.profile);
        users.push_back(std::move(user));
    }
    return users;
}

std::shared_ptr<const registry::RegistrySource> userRegistry(const User& user, const registry::InstallationFiles* files,
                                                             const SystemFolders& system, QStringList& warnings)
{
    if (!files || user.profile.isEmpty()) return nullptr;
    // A profile on another drive lies on another partition, not read here.
    if (user.profile.size() >= 2 && user.profile[1] == u':'
        && user.profile.left(2).compare(system.drive, Qt::CaseInsensitive) != 0)
        return nullptr;
    try {
        return files->userHive(user.sid, user.profile);
    } catch (const runtime::RuntimeError& error) {
        warnings << QStringLiteral("Die Registrierung von %1 ist nicht lesbar, ihre Programme fehlen: %2")
                        .arg(user.name, error.description());
        return nullptr;
    }
}

}  // namespace inventory
