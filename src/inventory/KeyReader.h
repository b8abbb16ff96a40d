#pragma once

#include "registry/text/RegValue.h"
#include "registry/text/RegistrySource.h"
#include "shell/Machine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace inventory {

// Reads the values an inventory needs out of a machine's registry, or out of
// one registry (a user's), paths relative to its root. A value that is there
// but not of the form a fact needs, and a key that cannot be read because
// its hive is damaged there, are told in `warnings` and read as missing.
class KeyReader {
public:
    // The machine's registry: paths relative to HKLM ("SYSTEM\…", "SOFTWARE\…").
    KeyReader(const shell::Machine& machine, QStringList& warnings);
    // One registry, `where` naming it in warnings ("im Profil von bob").
    KeyReader(const registry::RegistrySource& source, QString where, QStringList& warnings);

    // REG_SZ or REG_EXPAND_SZ, as Windows returns it (up to its first NUL).
    std::optional<QString> text(QStringView key, QStringView name) const;
    // REG_DWORD.
    std::optional<std::uint32_t> dword(QStringView key, QStringView name) const;
    // REG_QWORD.
    std::optional<std::uint64_t> qword(QStringView key, QStringView name) const;
    // REG_MULTI_SZ, or REG_SZ as a list separated by `separators`; empty
    // entries left out.
    std::optional<QStringList> texts(QStringView key, QStringView name, QStringView separators) const;
    // Any type: the type and a copy of the data.
    std::optional<registry::RegValue> raw(QStringView key, QStringView name) const;

    // The names of the key's subkeys and values; none when it is missing.
    QStringList subkeys(QStringView key) const;
    QStringList values(QStringView key) const;

    // Tells that the value is damaged: `what` says how ("ist 6 Bytes lang statt 8").
    void warn(QStringView key, QStringView name, const QString& what) const;

private:
    // Runs a read; a damaged hive becomes a warning naming the key.
    template <class F> auto guarded(QStringView key, F&& read) const -> decltype(read());
    // The value, borrowed from its source (which outlives this reader).
    std::optional<registry::RegValueView> view(QStringView key, QStringView name) const;

    std::function<std::optional<registry::RegValueView>(QStringView, QStringView)> find_;
    std::function<QStringList(QStringView)> subkeys_, values_;
    QString where_;
    QStringList& warnings_;
};

// The type's name for messages ("REG_BINARY").
QString typeName(std::uint32_t type);

}  // namespace inventory
