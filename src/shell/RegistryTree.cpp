#include "shell/RegistryTree.h"

#include <QList>

namespace shell {

namespace {
QString fold(QStringView name) { return name.toString().toCaseFolded(); }
}  // namespace

RegKey::~RegKey()
{
    std::vector<std::unique_ptr<RegKey>> pending;
    for (auto& [folded, sub] : children_) pending.push_back(std::move(sub));
    children_.clear();
    while (!pending.empty()) {
        std::unique_ptr<RegKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& [folded, sub] : key->children_) pending.push_back(std::move(sub));
        key->children_.clear();
    }
}

const RegKey* RegKey::child(QStringView name) const
{
    auto it = children_.find(fold(name));
    return it == children_.end() ? nullptr : it->second.get();
}

RegKey* RegKey::child(QStringView name)
{
    auto it = children_.find(fold(name));
    return it == children_.end() ? nullptr : it->second.get();
}

const RegValue* RegKey::value(QStringView name) const
{
    auto it = values_.find(fold(name));
    return it == values_.end() ? nullptr : &it->second.second;
}

RegKey& RegKey::ensureChild(const QString& name)
{
    auto& slot = children_[fold(name)];
    if (!slot) {
        slot = std::make_unique<RegKey>();
        slot->name_ = name;
    }
    return *slot;
}

void RegKey::removeChild(QStringView name)
{
    auto it = children_.find(fold(name));
    if (it == children_.end()) return;
    children_.erase(it);  // the destructor takes the subtree down iteratively
}

void RegKey::setValue(const QString& name, RegValue value)
{
    auto& slot = values_[fold(name)];
    if (slot.first.isNull()) slot.first = name.isNull() ? QString("") : name;
    slot.second = std::move(value);
}

void RegKey::removeValue(QStringView name) { values_.erase(fold(name)); }

const RegKey* RegistryTree::findKey(QStringView keyPath) const
{
    const RegKey* key = &root_;
    for (QStringView part : keyPath.split(u'\\', Qt::SkipEmptyParts)) {
        key = key->child(part);
        if (!key) return nullptr;
    }
    return key;
}

}  // namespace shell
