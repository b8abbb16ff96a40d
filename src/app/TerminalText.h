#pragma once

#include "registry/WindowsProduct.h"
#include "runtime/RuntimeError.h"
#include "shell/SourceDescription.h"

#include <QString>

// Text as a terminal wants it: the window's CR LF line ends become LF.
QString terminalLines(const QString& text);

// An error as stderr tells it: "tessera: " and `lead`, the message, and what
// a library said on a line of its own ("Einzelheiten: …"); lines end in LF.
QString terminalMessage(const QString& lead, const runtime::RuntimeError& error);

// One source in words, as --quellen prints it (without a line end).
QString sourceInWords(const shell::SourceDescription& source);

// Which Windows the sources are, as --quellen ends: "Windows: Windows 11 Pro 23H2 (Edition Professional, Build 22631)".
QString productInWords(const registry::WindowsProduct& product);
