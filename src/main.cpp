#include "app/Batch.h"
#include "app/CommandLine.h"
#include "app/Display.h"
#include "app/Terminal.h"
#include "app/WindowModule.h"

int main(int argc, char* argv[])
{
    // Options first, before anything of the window toolkit is loaded: help,
    // version, the terminal outputs and wrong options need no display.
    CommandLine commandLine;
    if (const auto exitCode = readCommandLine(argc, argv, commandLine)) return *exitCode;
    if (const auto exitCode = readKeyFiles(commandLine)) return *exitCode;
    if (commandLine.mode != CommandLine::Mode::Window) {
        applySecrets(commandLine);
        applySources(commandLine);
        if (commandLine.mode == CommandLine::Mode::JsonLines || commandLine.mode == CommandLine::Mode::Csv)
            return runBatch(commandLine.mode);
        return runInTerminal(commandLine.mode);
    }
    if (const auto exitCode = refuseWithoutDisplay(commandLine)) return *exitCode;
    return openWindow(commandLine);
}
