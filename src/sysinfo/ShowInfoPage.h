#pragma once

#include "shell/Machine.h"

// Collects the system information of the machine shown and writes the report into the Info page.
void ShowInfoPage(const shell::MachineRef& machine);
