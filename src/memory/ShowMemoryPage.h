#pragma once

#include "shell/Machine.h"

#include <cstdint>

// Shows the memory-management values of the machine shown on the Speicher page.
void ShowMemoryPage(const shell::MachineRef& machine);

// Handler of a value change of any Check1 box.
void Check1_Click(std::int16_t index);
