#pragma once

#include "app/CommandLine.h"

// The window lives in a module of its own (tessera-window.so), so that the
// terminal outputs never load the window toolkit's libraries. Loads it from
// beside the program or from the library folder it is installed to, and runs
// the window; a module that cannot be loaded is named on stderr (exit code 1).
int openWindow(CommandLine& commandLine);

// The module's one entry, by this name.
inline constexpr const char* kWindowModuleEntry = "tessera_run_window";
using WindowModuleEntry = int (*)(CommandLine*);
