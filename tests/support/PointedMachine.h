#pragma once

#include "shell/Machine.h"

#include <QStringList>

#include <optional>

// The machine a test points at: the files useRegistry named (TESSERA_REGISTRY),
// else this machine; opened as the program opens the machine it shows.
inline shell::MachineRef pointedMachine()
{
    std::optional<QStringList> named;
    if (qEnvironmentVariableIsSet("TESSERA_REGISTRY"))
        named = qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts);
    return shell::Machine::open(named);
}
