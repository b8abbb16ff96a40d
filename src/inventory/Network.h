#pragma once

#include "inventory/KeyReader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace inventory {

// A network adapter with an address, as TCP/IP keeps its configuration.
struct Adapter {
    QString adapter;  // the interface's key: "{698E50A9-…}"
    bool dhcp = false;
    QStringList addresses, masks, gateways, dnsServers;
    QString domain;  // empty: none
};

// The adapters TCP/IP keeps a configuration of in the current control set,
// with the addresses of how each is set up (DHCP's lease, or the addresses
// given), in the order of their keys; adapters without an address are left out.
std::vector<Adapter> readNetwork(const KeyReader& reader);

}  // namespace inventory
