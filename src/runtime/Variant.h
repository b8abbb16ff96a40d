#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <variant>

namespace runtime {

// What RegRead hands back: a text (REG_SZ, REG_EXPAND_SZ expanded), a 32-bit
// signed number (REG_DWORD), a list of texts (REG_MULTI_SZ) or bytes (REG_BINARY).
using Variant = std::variant<QString, std::int32_t, QStringList, QByteArray>;

// Text unchanged, a number as decimal text without a leading blank; a list or
// bytes fail with 13.
QString toText(const Variant& value);

// A number, or a text that reads as one, rounded half to even and range-checked:
// out of range fails with 6, not a number with 13.
std::int16_t toInt16(const Variant& value);
std::int32_t toInt32(const Variant& value);

}  // namespace runtime
