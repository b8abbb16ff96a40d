#pragma once

#include "registry/WindowsProduct.h"
#include "shell/SourceDescription.h"

#include <QString>

// Text as a terminal wants it: the window's CR LF line ends become LF.
QString terminalLines(const QString& text);

// One source in words, as --quellen prints it (without a line end).
QString sourceInWords(const shell::SourceDescription& source);

// Which Windows the sources are, as --quellen ends: "Windows: Windows 11 Pro 23H2 (Edition Professional, Build 22631)".
QString productInWords(const registry::WindowsProduct& product);
