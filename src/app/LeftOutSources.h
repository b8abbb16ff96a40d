#pragma once

// Shows the run-time error box once for each optional registry source the shell
// left out because it could not be read; the program goes on without it.
void reportLeftOutSources();
