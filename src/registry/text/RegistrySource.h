#pragma once

#include "registry/text/RegValue.h"

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace registry {

// One source of HKLM keys and values: a parsed text file, an open hive, a
// view built from a machine. Keys are handles of the source; names compare
// without regard to case.
class RegistrySource {
public:
    using Key = std::uintptr_t;  // 0: no such key

    virtual ~RegistrySource() = default;

    // The HKLM level: its children are "SYSTEM", "SOFTWARE", "HARDWARE", ...
    virtual Key root() const = 0;
    // A damaged source may fail with a RuntimeError that names it.
    virtual Key child(Key parent, QStringView name) const = 0;
    // Borrowed from the source: valid while it lives.
    virtual const RegValueView* value(Key key, QStringView name) const = 0;
    // The names of a key's subkeys and of its values, in the source's order.
    virtual QStringList subkeyNames(Key key) const = 0;
    virtual QStringList valueNames(Key key) const = 0;
    // Whether the key may be a link, its target in SymbolicLinkValue: a hive
    // flags its links; a text has no flags, and any key may be one.
    virtual bool mayBeLink(Key) const { return true; }
};

// The value at keyPath (relative to HKLM) in one source. "CurrentControlSet"
// and "ControlSet00N" name the same key (N from SYSTEM\Select\Current, else
// 1), whichever of the two the source holds, and link keys are followed (16
// at most, so a loop of links ends).
std::optional<RegValueView> findValue(const RegistrySource& source, QStringView keyPath, QStringView valueName);
// The key at keyPath, found as findValue finds it; 0 when there is none.
RegistrySource::Key findKey(const RegistrySource& source, QStringView keyPath);

}  // namespace registry
