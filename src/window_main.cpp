// The entry of the window module, tessera-window.so, which the program loads
// to open its window (app/WindowModule.h).
#include "app/RunWindow.h"
#include "app/WindowModule.h"

extern "C" __attribute__((visibility("default"))) int tessera_run_window(CommandLine* commandLine)
{
    return runWindow(*commandLine);
}
