#pragma once

#include "shell/RegValue.h"

#include <QString>
#include <QStringView>

#include <map>
#include <memory>
#include <vector>

namespace shell {

// The order of registry names: UTF-16 code units compared after case folding,
// one unit at a time, so a lookup needs no folded copy of the name.
struct FoldedLess {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const;
};

// True when a and b name the same key or value.
bool sameName(QStringView a, QStringView b);

// One key: values and subkeys, names compared case-insensitively, the spelling
// of the first writer kept.
class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&&) = default;
    RegKey& operator=(RegKey&&) = default;
    ~RegKey();  // tears deep trees down without recursion

    const RegKey* child(QStringView name) const;
    RegKey* child(QStringView name);
    const RegValue* value(QStringView name) const;  // "" names the default value

    RegKey& ensureChild(QStringView name);
    void removeChild(QStringView name);
    void setValue(QStringView name, RegValue value);
    void removeValue(QStringView name);

    const QString& name() const { return name_; }
    std::size_t childCount() const { return children_.size(); }
    std::size_t valueCount() const { return values_.size(); }

    template <class F> void forEachChild(F&& f) const
    {
        for (const auto& [name, entry] : children_) f(*entry);
    }
    template <class F> void forEachValue(F&& f) const
    {
        for (const auto& [name, value] : values_) f(name, value);
    }

private:
    QString name_;
    std::map<QString, std::unique_ptr<RegKey>, FoldedLess> children_;
    std::map<QString, RegValue, FoldedLess> values_;
};

// The local-machine hive of one source: paths are relative to HKLM.
class RegistryTree {
public:
    RegKey& root() { return root_; }
    const RegKey& root() const { return root_; }

    // "SYSTEM\Select" -> that key, or nullptr; no alias resolution here.
    const RegKey* findKey(QStringView keyPath) const;

private:
    RegKey root_;
};

}  // namespace shell
