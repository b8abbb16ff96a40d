#include "registry/text/RegValue.h"

#include <QSysInfo>

#include <cstring>

namespace registry {

namespace {

bool isType(RegValueView value, RegType type) { return value.type == std::uint32_t(type); }

char16_t unitAt(QByteArrayView data, qsizetype unit)
{
    return char16_t(std::uint8_t(data[2 * unit]) | std::uint8_t(data[2 * unit + 1]) << 8);
}

// The code units from `from` up to the next NUL or the end; `from` is left on the NUL.
QString textFrom(QByteArrayView data, qsizetype& from)
{
    const qsizetype units = data.size() / 2;
    qsizetype end = from;
    while (end < units && unitAt(data, end) != 0) ++end;
    QString text(end - from, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = from; i < end; ++i) *out++ = unitAt(data, i);
    from = end;
    return text;
}

}  // namespace

std::optional<QString> textOf(RegValueView value)
{
    if (!isType(value, RegType::Sz) && !isType(value, RegType::ExpandSz) && !isType(value, RegType::Link))
        return std::nullopt;
    qsizetype at = 0;
    return textFrom(value.data, at);
}

std::optional<std::uint32_t> dwordOf(RegValueView value)
{
    const bool little = isType(value, RegType::Dword);
    if ((!little && !isType(value, RegType::DwordBigEndian)) || value.data.size() != 4) return std::nullopt;
    const auto* d = reinterpret_cast<const std::uint8_t*>(value.data.data());
    if (little) return d[0] | d[1] << 8 | d[2] << 16 | std::uint32_t(d[3]) << 24;
    return std::uint32_t(d[0]) << 24 | d[1] << 16 | d[2] << 8 | d[3];
}

std::optional<QStringList> multiStringOf(RegValueView value)
{
    if (!isType(value, RegType::MultiSz)) return std::nullopt;
    QStringList texts;
    const qsizetype units = value.data.size() / 2;
    for (qsizetype at = 0; at < units; ++at) {  // `at` steps over each text's NUL
        QString text = textFrom(value.data, at);
        if (text.isEmpty()) break;
        texts.append(std::move(text));
    }
    return texts;
}

QByteArray utf16Data(QStringView text, bool terminated)
{
    QByteArray out;
    setUtf16Data(out, text, terminated);
    return out;
}

void setUtf16Data(QByteArray& out, QStringView text, bool terminated)
{
    out.resize((text.size() + (terminated ? 1 : 0)) * 2);
    char* d = out.data();
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        if (!text.isEmpty()) std::memcpy(d, text.utf16(), size_t(text.size()) * 2);  // "" may have no data
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            d[2 * i] = char(text[i].unicode() & 0xFF);
            d[2 * i + 1] = char(text[i].unicode() >> 8);
        }
    }
    if (terminated) d[out.size() - 2] = d[out.size() - 1] = '\0';
}

QByteArray dwordData(std::uint32_t number)
{
    QByteArray out(4, Qt::Uninitialized);
    for (int i = 0; i < 4; ++i) out[i] = char((number >> (8 * i)) & 0xFF);
    return out;
}

RegValue textValue(QStringView text, RegType type)
{
    return {std::uint32_t(type), utf16Data(text, true)};
}

RegValue dwordValue(std::uint32_t number)
{
    return {std::uint32_t(RegType::Dword), dwordData(number)};
}

}  // namespace registry
