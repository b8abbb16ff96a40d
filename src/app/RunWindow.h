#pragma once

#include "app/CommandLine.h"

// The window: the application object (a toolkit that cannot reach its display
// ends the program with exit code 2 and a German message), the program's look,
// Main and the event loop. Gives the exit code.
int runWindow(CommandLine& commandLine);
