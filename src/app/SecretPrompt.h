#pragma once

#include "disk/bitlocker/Secret.h"

#include <QString>

// Whether a secret can be asked for: standard input is a terminal.
bool canPromptForSecret();

// Asks on the terminal, the prompt on stderr, the answer read from standard
// input without echo into locked memory (its line, without the line's end);
// empty when nothing was typed, input ended, or the line is over 1024 bytes.
disk::Secret promptForSecret(const QString& prompt);
