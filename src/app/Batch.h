#pragma once

#include "app/CommandLine.h"

// --jsonl or --csv: the machines named, a line (a row) each, in the order
// named, opened and read in parallel (a worker per core, no more machines open
// than workers), never asking anything: a machine that cannot be opened, or
// needs an answer, is a line naming its error. Gives the exit code: 1 when
// any machine failed, once every line is written.
int runBatch(CommandLine::Mode mode);
