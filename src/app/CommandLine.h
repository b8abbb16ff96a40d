#pragma once

#include "disk/bitlocker/Secret.h"

#include <QStringList>

#include <optional>
#include <vector>

// tessera [--bericht | --json | --quellen | --jsonl | --csv] [QUELLE …]: the
// sources name the machines to view, as TESSERA_REGISTRY does (the parts of
// one machine together, earlier wins); without any the program views this
// machine.
struct CommandLine {
    enum class Mode { Window, Report, Json, Sources, JsonLines, Csv };

    Mode mode = Mode::Window;
    QStringList sources;
    // --schluessel DATEI: files holding BitLocker secrets ("-": standard input), in order,
    // and what they hold once read (by readKeyFiles).
    QStringList keyFiles;
    std::vector<disk::Secret> secrets;
    // argv[0] and the window toolkit's own options (-platform, -style, ...),
    // for the application object; it keeps a reference to the count.
    std::vector<char*> toolkitArguments;
    int toolkitArgumentCount = 0;
    bool platformNamed = false;  // -platform was given
};

// Exit codes, as --help and the manual page list them.
namespace ExitCode {
inline constexpr int Done = 0;
inline constexpr int Failed = 1;  // a named source (a machine) unreadable, or the output unwritable
inline constexpr int Usage = 2;  // also: no display for the window
}  // namespace ExitCode

// Reads the arguments before anything of the window toolkit starts. Answers
// --help and --version itself, and names a wrong option on stderr in German;
// then gives the exit code. Otherwise fills `out` and gives nothing.
std::optional<int> readCommandLine(int argc, char* argv[], CommandLine& out);

// Reads the key files named, once (standard input can be read only once); an
// unreadable one is named on stderr, and the exit code given.
std::optional<int> readKeyFiles(CommandLine& commandLine);

// Hands the secrets read to the keyring of the code that opens the sources:
// the program's for the terminal, the window module's (a copy of its own) for
// the window.
void applySecrets(CommandLine& commandLine);

// Hands the sources named to the shell; they stand for TESSERA_REGISTRY.
void applySources(const CommandLine& commandLine);

// The text of --help.
const char* helpText();
