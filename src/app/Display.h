#pragma once

#include "app/CommandLine.h"

#include <optional>

// Whether the window has somewhere to go: a platform named (QT_QPA_PLATFORM,
// -platform) or a display (DISPLAY, WAYLAND_DISPLAY). Without one, says so in
// German on stderr (how to get the window, and that --bericht needs none) and
// gives the exit code.
std::optional<int> refuseWithoutDisplay(const CommandLine& commandLine);

// While it lives, a fatal error of the window toolkit (a display that is set
// but cannot be reached) ends the program with the same German message and
// exit code 2, instead of an abort.
class DisplayGuard {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;
};
