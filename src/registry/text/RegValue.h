#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace registry {

// Registry value types, numbered as on Windows.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    Qword = 11,
};

// A value's type number and raw data, borrowed from the tree or hive that holds it.
struct RegValueView {
    std::uint32_t type = 0;
    QByteArrayView data;
};

// A value with data of its own, as lookups hand it out and builders make it.
struct RegValue {
    std::uint32_t type = 0;
    QByteArray data;
    operator RegValueView() const { return {type, data}; }
};

// The codec of value data, the one place that knows how the types lay out
// their bytes. Texts are UTF-16LE code units; a text ends at its first NUL, or
// at the end of the data when it has none (a lone last byte is no code unit),
// as the original platform's RegRead returns it.

// REG_SZ, REG_EXPAND_SZ and REG_LINK: the text; nullopt for any other type.
std::optional<QString> textOf(RegValueView value);

// REG_DWORD (little-endian) and REG_DWORD_BIG_ENDIAN of exactly four bytes.
std::optional<std::uint32_t> dwordOf(RegValueView value);

// REG_MULTI_SZ: one text per NUL-ended run, the list ending at the first empty
// text (the double NUL) or at the end of the data.
std::optional<QStringList> multiStringOf(RegValueView value);

// The other direction, for the code that builds values.
QByteArray utf16Data(QStringView text, bool terminated);  // with `terminated`, one NUL follows
void setUtf16Data(QByteArray& out, QStringView text, bool terminated);  // the same into `out`, reusing its room
QByteArray dwordData(std::uint32_t number);               // four bytes, little-endian
RegValue textValue(QStringView text, RegType type = RegType::Sz);  // NUL-terminated, as Windows stores texts
RegValue dwordValue(std::uint32_t number);

}  // namespace registry
