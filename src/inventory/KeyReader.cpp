#include "inventory/KeyReader.h"

#include "runtime/RuntimeError.h"


namespace inventory {

using registry::RegType;
using registry::RegValue;
using registry::RegValueView;

KeyReader::KeyReader(const shell::Machine& machine, QStringList& warnings)
    : find_([&machine](QStringView key, QStringView name) { return machine.find(key, name); }),
      subkeys_([&machine](QStringView key) { return machine.subkeyNames(key); }),
      values_([&machine](QStringView key) { return machine.valueNames(key); }), warnings_(warnings)
{
}

KeyReader::KeyReader(const registry::RegistrySource& source, QString where, QStringList& warnings)
    : find_([&source](QStringView key, QStringView name) { return registry::findValue(source, key, name); }),
      subkeys_([&source](QStringView key) {
          const auto at = registry::findKey(source, key);
          return at ? source.subkeyNames(at) : QStringList();
      }),
      values_([&source](QStringView key) {
          const auto at = registry::findKey(source, key);
          return at ? source.valueNames(at) : QStringList();
      }),
      where_(std::move(where)), warnings_(warnings)
{
}

template <class F> auto KeyReader::guarded(QStringView key, F&& read) const -> decltype(read())
{
    try {
        return read();
    } catch (const runtime::RuntimeError& error) {
        const QString line = QStringLiteral("Schlüssel \u201E%1\u201C%2 nicht lesbar: %3")
                                 .arg(key, where_.isEmpty() ? QString() : u' ' + where_, error.description());
        if (!warnings_.contains(line)) warnings_ << line;
        return {};
    }
}

void KeyReader::warn(QStringView key, QStringView name, const QString& what) const
{
    const QString line = QStringLiteral("Wert \u201E%1\u201C in \u201E%2\u201C%3 %4; er bleibt leer")
                             .arg(name, key, where_.isEmpty() ? QString() : u' ' + where_, what);
    if (!warnings_.contains(line)) warnings_ << line;
}

std::optional<RegValueView> KeyReader::view(QStringView key, QStringView name) const
{
    return guarded(key, [&] { return find_(key, name); });
}

std::optional<RegValue> KeyReader::raw(QStringView key, QStringView name) const
{
    const auto value = view(key, name);
    if (!value) return std::nullopt;
    return RegValue{value->type, value->data.toByteArray()};
}

std::optional<QString> KeyReader::text(QStringView key, QStringView name) const
{
    const auto value = view(key, name);
    if (!value) return std::nullopt;
    if (auto text = registry::textOf(*value)) return text;
    warn(key, name, QStringLiteral("ist vom Typ %1, nicht Text").arg(typeName(value->type)));
    return std::nullopt;
}

std::optional<std::uint32_t> KeyReader::dword(QStringView key, QStringView name) const
{
    const auto value = view(key, name);
    if (!value) return std::nullopt;
    if (auto number = registry::dwordOf(*value)) return number;
    warn(key, name, value->type == std::uint32_t(RegType::Dword)
                        ? QStringLiteral("ist %1 Bytes lang statt 4").arg(value->data.size())
                        : QStringLiteral("ist vom Typ %1, nicht REG_DWORD").arg(typeName(value->type)));
    return std::nullopt;
}

std::optional<std::uint64_t> KeyReader::qword(QStringView key, QStringView name) const
{
    const auto value = view(key, name);
    if (!value) return std::nullopt;
    if (value->type != std::uint32_t(RegType::Qword) || value->data.size() != 8) {
        warn(key, name, value->type == std::uint32_t(RegType::Qword)
                            ? QStringLiteral("ist %1 Bytes lang statt 8").arg(value->data.size())
                            : QStringLiteral("ist vom Typ %1, nicht REG_QWORD").arg(typeName(value->type)));
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (qsizetype i = 7; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value->data[i]);
    return number;
}

std::optional<QStringList> KeyReader::texts(QStringView key, QStringView name, QStringView separators) const
{
    const auto value = view(key, name);
    if (!value) return std::nullopt;
    QStringList list;
    if (auto multi = registry::multiStringOf(*value)) {
        list = *multi;
    } else if (auto text = registry::textOf(*value)) {
        qsizetype from = 0;
        for (qsizetype at = 0; at <= text->size(); ++at)
            if (at == text->size() || separators.contains(text->at(at))) {
                list << text->mid(from, at - from);
                from = at + 1;
            }
    } else {
        warn(key, name, QStringLiteral("ist vom Typ %1, nicht Text").arg(typeName(value->type)));
        return std::nullopt;
    }
    for (QString& entry : list) entry = entry.trimmed();
    list.removeAll(QString());
    return list;
}

QStringList KeyReader::subkeys(QStringView key) const
{
    return guarded(key, [&] { return subkeys_(key); });
}

QStringList KeyReader::values(QStringView key) const
{
    return guarded(key, [&] { return values_(key); });
}

QString typeName(std::uint32_t type)
{
    static const char* const names[] = {
        "REG_NONE",      "REG_SZ",        "REG_EXPAND_SZ",       "REG_BINARY",
        "REG_DWORD",     "REG_DWORD_BIG_ENDIAN", "REG_LINK",     "REG_MULTI_SZ",
        "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD",
    };
    if (type < std::size(names)) return QString::fromLatin1(names[type]);
    return QStringLiteral("0x%1").arg(type, 0, 16);
}

}  // namespace inventory
