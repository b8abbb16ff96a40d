#pragma once

#include "registry/text/Arena.h"
#include "registry/text/RegValue.h"

#include <QStringView>

#include <map>
#include <memory>
#include <memory_resource>

namespace registry {

// The order of registry names: UTF-16 code units compared after case folding,
// one unit at a time, so a lookup needs no folded copy of the name.
struct FoldedLess {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const;
};

// True when a and b name the same key or value.
bool sameName(QStringView a, QStringView b);

// A hash of the name as FoldedLess sees it (so names that are the same have the
// same hash), chained from `seed`: the hash of the path above it.
std::size_t foldedHash(QStringView name, std::size_t seed);

// One key: values and subkeys, names compared case-insensitively, the spelling
// of the first writer kept. Keys, names and value data live in their tree's
// arena and are never destroyed one by one: the tree releases them at once.
class RegKey {
public:
    RegKey(std::pmr::memory_resource* arena, QStringView name);
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    const RegKey* child(QStringView name) const;
    RegKey* child(QStringView name);
    const RegValueView* value(QStringView name) const;  // "" names the default value

    RegKey& ensureChild(QStringView name);
    void removeChild(QStringView name);  // the subtree's memory stays in the arena
    void setValue(QStringView name, RegValueView value);  // copies name and data into the arena
    void removeValue(QStringView name);

    QStringView name() const { return name_; }
    std::size_t childCount() const { return children_.size(); }
    std::size_t valueCount() const { return values_.size(); }

    template <class F> void forEachChild(F&& f) const
    {
        for (const auto& [name, key] : children_) f(*key);
    }
    template <class F> void forEachValue(F&& f) const
    {
        for (const auto& [name, value] : values_) f(name, value);
    }

private:
    QStringView copied(QStringView text) const;

    std::pmr::memory_resource* arena_;
    QStringView name_;
    std::pmr::map<QStringView, RegKey*, FoldedLess> children_;
    std::pmr::map<QStringView, RegValueView, FoldedLess> values_;
};

// The local-machine hive of a source built in memory (the built-in hardware
// views): paths are relative to HKLM.
class RegistryTree {
public:
    RegistryTree();
    RegistryTree(RegistryTree&&) noexcept = default;
    RegistryTree& operator=(RegistryTree&&) noexcept = default;
    ~RegistryTree() = default;  // the arena's blocks go back at once, no key is visited

    RegKey& root() { return *root_; }
    const RegKey& root() const { return *root_; }

    // "SYSTEM\Select" -> that key, or nullptr; no alias resolution here.
    const RegKey* findKey(QStringView keyPath) const;

private:
    std::unique_ptr<Arena> arena_;
    RegKey* root_;
};

}  // namespace registry
