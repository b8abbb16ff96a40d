#pragma once

// Ends the program at once: hides every window and leaves the event loop. A
// program ended before its event loop runs (during start-up) never enters it.
void End(int exitCode = 0);
bool programEnded();
int programExitCode();
void resetProgramEnded();  // for tests that start the program again
