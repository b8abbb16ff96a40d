#pragma once

#include "inventory/Inventory.h"
#include "registry/WindowsProduct.h"

#include <QByteArray>
#include <QString>

#include <optional>

// --csv: the header and one machine's row, RFC 4180 (CRLF line ends, a field
// with a comma, quote or line end in quotes, quotes doubled). A field that a
// spreadsheet would take for a formula (=, +, -, @ first) begins with an
// apostrophe: the machines' texts are not ours to run.
QByteArray csvHeader();
QByteArray csvRow(const QString& source, const std::optional<registry::WindowsProduct>& product,
                  const std::optional<inventory::Inventory>& inventory);
QByteArray csvFailure(const QString& source, const QString& error);
