#include "registry/text/RegistryTree.h"

#include <QHashFunctions>
#include <QStringTokenizer>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

using namespace Qt::StringLiterals;

namespace registry {

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

std::size_t foldedHash(QStringView name, std::size_t seed)
{
    char16_t folded[256];
    std::size_t hash = seed;
    for (qsizetype at = 0; at < name.size(); at += qsizetype(std::size(folded))) {
        const qsizetype n = std::min(name.size() - at, qsizetype(std::size(folded)));
        for (qsizetype i = 0; i < n; ++i) folded[i] = foldUnit(name.utf16()[at + i]);
        hash = qHash(QStringView(folded, n), hash);
    }
    return hash;
}

RegKey::RegKey(std::pmr::memory_resource* arena, QStringView name)
    : arena_(arena), name_(copied(name)), children_(arena), values_(arena)
{
}

QStringView RegKey::copied(QStringView text) const
{
    if (text.isEmpty()) return QStringView(u"", 0);
    auto* units = static_cast<char16_t*>(arena_->allocate(std::size_t(text.size()) * 2, alignof(char16_t)));
    std::memcpy(units, text.utf16(), std::size_t(text.size()) * 2);
    return QStringView(units, text.size());
}

const RegKey* RegKey::child(QStringView name) const
{
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second;
}

RegKey* RegKey::child(QStringView name)
{
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second;
}

const RegValueView* RegKey::value(QStringView name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

RegKey& RegKey::ensureChild(QStringView name)
{
    auto it = children_.lower_bound(name);
    if (it == children_.end() || !sameName(it->first, name)) {
        // Never destroyed: its maps hold only arena memory, which the tree releases.
        auto* key = new (arena_->allocate(sizeof(RegKey), alignof(RegKey))) RegKey(arena_, name);
        it = children_.emplace_hint(it, key->name_, key);
    }
    return *it->second;
}

void RegKey::removeChild(QStringView name)
{
    if (auto it = children_.find(name); it != children_.end()) children_.erase(it);
}

void RegKey::setValue(QStringView name, RegValueView value)
{
    char* data = nullptr;
    if (!value.data.isEmpty()) {
        data = static_cast<char*>(arena_->allocate(std::size_t(value.data.size()), 1));
        std::memcpy(data, value.data.data(), std::size_t(value.data.size()));
    }
    const RegValueView stored{value.type, QByteArrayView(data, value.data.size())};
    auto it = values_.lower_bound(name);
    if (it != values_.end() && sameName(it->first, name))
        it->second = stored;
    else
        values_.emplace_hint(it, copied(name), stored);
}

void RegKey::removeValue(QStringView name)
{
    if (auto it = values_.find(name); it != values_.end()) values_.erase(it);
}

RegistryTree::RegistryTree()
    : arena_(std::make_unique<Arena>()),
      root_(new (arena_->allocate(sizeof(RegKey), alignof(RegKey))) RegKey(arena_.get(), QStringView()))
{
}

const RegKey* RegistryTree::findKey(QStringView keyPath) const
{
    const RegKey* key = root_;
    for (QStringView part : QStringTokenizer(keyPath, u'\\', Qt::SkipEmptyParts)) {
        key = key->child(part);
        if (!key) return nullptr;
    }
    return key;
}

}  // namespace registry
