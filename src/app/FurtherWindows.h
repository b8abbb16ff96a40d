#pragma once

#include "app/CommandLine.h"

#include <QStringList>

#include <functional>

// Sources that name several machines open a window each, as the desktop
// entry opens one per file: the first machine in this window, each further
// one in a Tessera of its own, started with the same key files and the
// window toolkit's options. Gives the first machine's sources.
QStringList openFurtherWindows(const QStringList& sources);

// What the further windows are started with: the key files named (not "-",
// standard input, which this program read) and the toolkit's options.
void rememberWindowOptions(const CommandLine& commandLine);

// The arguments of a further Tessera showing `sources`.
QStringList furtherWindowArguments(const QStringList& sources);

// Starts a further Tessera with these arguments, detached; tests put their own in.
std::function<void(const QStringList& arguments)>& furtherWindowOpener();
