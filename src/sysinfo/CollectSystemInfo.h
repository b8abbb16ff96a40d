#pragma once

#include "shell/Machine.h"

struct SystemInfo;

// Refreshes Variablen::SysInfo from the process environment and the registry
// of `machine`. Only a failure to create the shell object or its environment
// collection reaches the caller (SysInfo then unchanged); a fact that cannot
// be read or converted leaves its field as it was.
void CollectSystemInfo(const shell::MachineRef& machine);
// The same into a record of the caller's (a machine of many, in a thread of its own).
void CollectSystemInfo(SystemInfo& info, const shell::MachineRef& machine);
