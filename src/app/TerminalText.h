#pragma once

#include "shell/SourceDescription.h"

#include <QString>

// Text as a terminal wants it: the window's CR LF line ends become LF.
QString terminalLines(const QString& text);

// One source in words, as --quellen prints it (without a line end).
QString sourceInWords(const shell::SourceDescription& source);
