#include "inventory/Applications.h"

#include "inventory/Times.h"

#include <set>
#include <utility>

namespace inventory {

std::vector<UninstallView> machineViews()
{
    return {{u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", QStringLiteral("machine")},
            {u"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", QStringLiteral("machine 32-bit")}};
}

std::vector<UninstallView> userViews(const QString& userName)
{
    const QString scope = QStringLiteral("user ") + userName;
    return {{u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", scope},
            {u"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", scope}};
}

std::vector<Application> readApplications(const KeyReader& reader, const std::vector<UninstallView>& views)
{
    std::vector<Application> applications;
    std::set<std::pair<QString, QString>> listed;  // name and version
    for (const UninstallView& view : views) {
        for (const QString& entry : reader.subkeys(view.key)) {
            const QString key = view.key.toString() + u'\\' + entry;
            Application a;
            a.name = reader.text(key, u"DisplayName").value_or(QString()).trimmed();
            if (a.name.isEmpty() || reader.dword(key, u"SystemComponent").value_or(0) == 1) continue;
            a.version = reader.text(key, u"DisplayVersion").value_or(QString()).trimmed();
            if (!listed.insert({a.name, a.version}).second) continue;
            a.publisher = reader.text(key, u"Publisher").value_or(QString()).trimmed();
            const QString date = reader.text(key, u"InstallDate").value_or(QString()).trimmed();
            a.installed = compactDateText(date).value_or(date);
            a.location = reader.text(key, u"InstallLocation").value_or(QString()).trimmed();
            a.scope = view.scope;
            applications.push_back(std::move(a));
        }
    }
    return applications;
}

}  // namespace inventory
