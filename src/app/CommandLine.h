#pragma once

#include <QStringList>

#include <optional>

// tessera [QUELLE …]: the sources name the machine to view, as TESSERA_REGISTRY
// does (earlier wins); without any the program views this machine.

// --help and --version, answered from the raw arguments before the window
// system is needed: the exit code when one of them was given.
std::optional<int> answerInformationOptions(int argc, char* argv[]);

// The arguments left after the toolkit took its own: hands the sources to the
// shell, or says what is wrong on stderr and gives the exit code.
std::optional<int> applyCommandLine(const QStringList& arguments);
