#include "shell/RegistryTree.h"

#include <QStringTokenizer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace shell {

namespace {

// Simple case folding of one UTF-16 unit; surrogates stay as they are.
inline char16_t foldUnit(char16_t c)
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    if (QChar::isSurrogate(c)) return c;
    const char32_t folded = QChar::toCaseFolded(char32_t(c));
    return folded <= 0xFFFF ? char16_t(folded) : c;
}

inline int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i]) continue;
        const char16_t fa = foldUnit(pa[i]), fb = foldUnit(pb[i]);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool FoldedLess::operator()(QStringView a, QStringView b) const { return compareFolded(a, b) < 0; }

bool sameName(QStringView a, QStringView b) { return a.size() == b.size() && compareFolded(a, b) == 0; }

RegKey::~RegKey()
{
    std::vector<std::unique_ptr<RegKey>> pending;
    for (auto& [name, sub] : children_) pending.push_back(std::move(sub));
    children_.clear();
    while (!pending.empty()) {
        std::unique_ptr<RegKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& [name, sub] : key->children_) pending.push_back(std::move(sub));
        key->children_.clear();
    }
}

const RegKey* RegKey::child(QStringView name) const
{
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second.get();
}

RegKey* RegKey::child(QStringView name)
{
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second.get();
}

const RegValue* RegKey::value(QStringView name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

RegKey& RegKey::ensureChild(QStringView name)
{
    auto it = children_.lower_bound(name);
    if (it == children_.end() || !sameName(it->first, name)) {
        auto key = std::make_unique<RegKey>();
        key->name_ = name.toString();
        it = children_.emplace_hint(it, key->name_, std::move(key));
    }
    return *it->second;
}

void RegKey::removeChild(QStringView name)
{
    auto it = children_.find(name);
    if (it == children_.end()) return;
    children_.erase(it);  // the destructor takes the subtree down iteratively
}

void RegKey::setValue(QStringView name, RegValue value)
{
    auto it = values_.lower_bound(name);
    if (it != values_.end() && sameName(it->first, name))
        it->second = std::move(value);
    else
        values_.emplace_hint(it, name.isNull() ? QString(u""_s) : name.toString(), std::move(value));
}

void RegKey::removeValue(QStringView name)
{
    if (auto it = values_.find(name); it != values_.end()) values_.erase(it);
}

const RegKey* RegistryTree::findKey(QStringView keyPath) const
{
    const RegKey* key = &root_;
    for (QStringView part : QStringTokenizer(keyPath, u'\\', Qt::SkipEmptyParts)) {
        key = key->child(part);
        if (!key) return nullptr;
    }
    return key;
}

}  // namespace shell
