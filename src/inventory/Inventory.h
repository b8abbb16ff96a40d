#pragma once

#include "inventory/Applications.h"
#include "inventory/Drives.h"
#include "inventory/Network.h"
#include "inventory/Users.h"
#include "shell/Machine.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace inventory {

// The machine's time zone: its key name ("W. Europe Standard Time") and its
// offset, UTC = local time + bias.
struct TimeZone {
    QString name;  // empty: none
    std::optional<std::int32_t> biasMinutes;
};

// What a machine's registry tells of it: which machine it is, who used it,
// what was installed and when it last ran. A fact that is missing is empty;
// one whose value is damaged too, with a warning.
struct Inventory {
    std::optional<QString> hostname, dnsHostname, domain, architecture;
    std::optional<QString> installed, lastShutdown;  // ISO 8601 UTC: "2022-01-01T11:00:00Z"
    std::optional<TimeZone> timeZone;
    std::vector<Drive> drives;
    std::vector<Adapter> network;
    std::vector<User> users;
    std::vector<Application> applications;
    // German, a line each: a value that was there but damaged, a user's
    // registry that could not be read. The record is complete without them.
    QStringList warnings;
};

// The inventory of another machine, read from its current control set and
// SOFTWARE, its SAM and its users' registries where its sources show where
// they lie, as lazily as its hives. Nothing for this machine (it runs no
// Windows of its own). Never fails: what cannot be read is a warning.
std::optional<Inventory> readInventory(const shell::Machine& machine);

}  // namespace inventory
