#include "inventory/Network.h"

namespace inventory {

namespace {

constexpr QStringView kInterfaces = u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";

// Where one way of setting an adapter up keeps its lists, and how a list
// stored as one text is separated.
struct Configuration {
    QStringView addresses, masks, gateways, dnsServers;
    QStringView separators;
};
constexpr Configuration kDhcp{u"DhcpIPAddress", u"DhcpSubnetMask", u"DhcpDefaultGateway", u"DhcpNameServer", u" ,"};
constexpr Configuration kStatic{u"IPAddress", u"SubnetMask", u"DefaultGateway", u"NameServer", u", "};

}  // namespace

std::vector<Adapter> readNetwork(const KeyReader& reader)
{
    std::vector<Adapter> adapters;
    for (const QString& name : reader.subkeys(kInterfaces)) {
        const QString key = kInterfaces.toString() + u'\\' + name;
        Adapter adapter;
        adapter.adapter = name;
        adapter.dhcp = reader.dword(key, u"EnableDHCP").value_or(0) == 1;
        const Configuration& c = adapter.dhcp ? kDhcp : kStatic;
        const auto list = [&](QStringView value) {
            QStringList entries = reader.texts(key, value, c.separators).value_or(QStringList());
            entries.removeAll(QStringLiteral("0.0.0.0"));  // Windows' "none"
            return entries;
        };
        adapter.addresses = list(c.addresses);
        if (adapter.addresses.isEmpty()) continue;
        adapter.masks = list(c.masks);
        adapter.gateways = list(c.gateways);
        adapter.dnsServers = list(c.dnsServers);
        adapter.domain = reader.text(key, u"Domain").value_or(QString());
        if (adapter.domain.isEmpty() && adapter.dhcp) adapter.domain = reader.text(key, u"DhcpDomain").value_or(QString());
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace inventory
