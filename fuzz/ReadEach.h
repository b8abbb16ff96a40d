#pragma once

#include "runtime/RuntimeError.h"
#include "shell/WshShell.h"

#include <QString>

#include <cstddef>

// Reads every path through the shell as the pages do; a path that fails fails
// as a RuntimeError, which is all a fuzz target asks of it.
template <std::size_t N> void readEach(const shell::WshShell& shell, const char* const (&paths)[N])
{
    for (const char* p : paths) {
        try {
            (void)shell.RegRead(QString::fromLatin1(p));
        } catch (const runtime::RuntimeError&) {
        }
    }
}
