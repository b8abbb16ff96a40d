#pragma once

#include "registry/text/RegistrySource.h"
#include "registry/text/RegistryTree.h"

#include <memory>

namespace registry {

// A parsed tree (a text file, the built-in defaults, a view of a machine) as a source.
class TreeSource : public RegistrySource {
public:
    explicit TreeSource(std::shared_ptr<const RegistryTree> tree) : tree_(std::move(tree)) {}

    Key root() const override { return key(&tree_->root()); }
    Key child(Key parent, QStringView name) const override { return key(regKey(parent)->child(name)); }
    const RegValueView* value(Key key, QStringView name) const override { return regKey(key)->value(name); }
    QStringList subkeyNames(Key key) const override
    {
        QStringList names;
        regKey(key)->forEachChild([&](const RegKey& child) { names << child.name().toString(); });
        return names;
    }
    QStringList valueNames(Key key) const override
    {
        QStringList names;
        regKey(key)->forEachValue([&](QStringView name, const RegValueView&) { names << name.toString(); });
        return names;
    }

private:
    static Key key(const RegKey* k) { return reinterpret_cast<Key>(k); }
    static const RegKey* regKey(Key k) { return reinterpret_cast<const RegKey*>(k); }

    std::shared_ptr<const RegistryTree> tree_;
};

}  // namespace registry
