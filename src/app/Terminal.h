#pragma once

#include "app/CommandLine.h"

// --bericht, --json or --quellen: prints to stdout (UTF-8, LF line ends) with
// no window and no display; a source that cannot be read is named on stderr.
// Gives the exit code.
int runInTerminal(CommandLine::Mode mode);
