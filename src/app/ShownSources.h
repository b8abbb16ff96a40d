#pragma once

#include "shell/Machine.h"

#include <QStringList>

#include <optional>

// Which machine the program shows, kept here alone: the sources named on the
// command line, by a drop or by the answer to a question, else those of
// TESSERA_REGISTRY (":"-separated); nothing for this machine.
std::optional<QStringList> namedSources();
// Replaces them; nothing: as TESSERA_REGISTRY says.
void setNamedSources(std::optional<QStringList> sources);

// The machine shown, opened from its sources as they are now (the files'
// caches make opening it again cheap). Fails as shell::Machine::open does.
shell::MachineRef shownMachine();
