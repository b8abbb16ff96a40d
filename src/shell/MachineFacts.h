#pragma once

#include "RegistryTree.h"

#include <QString>

#include <optional>

namespace shell {

// Facts about this machine, read under machineRoot() each time they are asked for.

// A variable Windows defines in every process (NUMBER_OF_PROCESSORS, PROCESSOR_*,
// OS, COMSPEC, TEMP), derived from the machine; nullopt for any other name or
// when the machine does not tell.
std::optional<QString> derivedVariable(const QString& upperName);

// The volatile hardware key "Hardware\Description\System" as the machine shows it now.
RegistryTree hardwareView();

}  // namespace shell
