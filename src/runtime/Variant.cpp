#include "runtime/Variant.h"

#include "runtime/RuntimeError.h"

#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace runtime {

namespace {

// Optional sign and ASCII digits only: the common case, read without a pattern
// (compiling the patterns is most of the cost of a first conversion).
bool plainInteger(QStringView text)
{
    qsizetype i = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9') return false;
    return true;
}

// A text as a number: decimal with optional sign, fraction and exponent, or an
// &H / &O literal. Literals of up to 16 bits are 16-bit values and up to 32 bits
// 32-bit values, so "&HFFFF" is -1 as it is for the platform we mirror.
double parseNumber(const QString& raw)
{
    const QString text = raw.trimmed();
    static const QRegularExpression decimal(
        QStringLiteral(R"(^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$)"));
    static const QRegularExpression literal(QStringLiteral(R"(^&([hHoO])([0-9A-Fa-f]+)$)"));

    if (plainInteger(text) || decimal.match(text).hasMatch()) {
        const QByteArray latin = text.toLatin1();
        errno = 0;
        const double value = std::strtod(latin.constData(), nullptr);
        if (errno == ERANGE && std::isinf(value)) throw RuntimeError::overflow();
        return value;
    }
    const auto match = literal.match(text);
    if (!match.hasMatch()) throw RuntimeError::typeMismatch();
    const bool hex = match.captured(1).compare(u"h", Qt::CaseInsensitive) == 0;
    const QString digits = match.captured(2);
    if (!hex && digits.contains(QRegularExpression(QStringLiteral("[^0-7]"))))
        throw RuntimeError::typeMismatch();
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, hex ? 16 : 8);
    if (!ok || value > 0xFFFFFFFFull) throw RuntimeError::overflow();
    if (value <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double toNumber(const Variant& value)
{
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    if (const auto* text = std::get_if<QString>(&value)) return parseNumber(*text);
    throw RuntimeError::typeMismatch();
}

template <class Int> Int roundChecked(double value)
{
    const double rounded = std::nearbyint(value);  // default mode: half to even
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<Int>::min()
        || rounded > std::numeric_limits<Int>::max())
        throw RuntimeError::overflow();
    return static_cast<Int>(rounded);
}

}  // namespace

QString toText(const Variant& value)
{
    if (const auto* text = std::get_if<QString>(&value)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return QString::number(*number);
    throw RuntimeError::typeMismatch();
}

std::int16_t toInt16(const Variant& value)
{
    return roundChecked<std::int16_t>(toNumber(value));
}

std::int32_t toInt32(const Variant& value)
{
    return roundChecked<std::int32_t>(toNumber(value));
}

}  // namespace runtime
