#pragma once

#include "inventory/KeyReader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace inventory {

// An installed program, as the Uninstall keys list it.
struct Application {
    QString name, version, publisher;
    QString installed;  // "2022-04-28" from "20220428"; another text as it stands; empty: none
    QString location;
    QString scope;  // "machine", "machine 32-bit" or "user NAME"
};

// Where a registry lists programs, and what they are called in `scope`.
struct UninstallView {
    QStringView key;  // relative to the reader's root
    QString scope;
};

// The programs the views list, as Windows' own list of them shows them: an
// entry without a DisplayName, or with SystemComponent 1, is left out, and a
// program in several of the views (the same name and version) is listed once,
// in the first.
std::vector<Application> readApplications(const KeyReader& reader, const std::vector<UninstallView>& views);

// The views of a machine's SOFTWARE (64-bit, then 32-bit programs) and of a
// user's registry (the same two, as Windows lists them).
std::vector<UninstallView> machineViews();
std::vector<UninstallView> userViews(const QString& userName);

}  // namespace inventory
