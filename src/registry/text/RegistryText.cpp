#include "registry/text/RegistryText.h"

#include "disk/FileBytes.h"
#include "registry/text/TextLines.h"
#include "runtime/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QHashFunctions>

#include <algorithm>
#include <new>
#include <set>
#include <vector>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

// A key found: where its own lines are (those after the last removal of it or
// of a key above it) and, once looked at, its values.
struct RegistryText::Node {
    Node(std::pmr::memory_resource* arena, Node* parent, QStringView name, std::size_t hash,
         std::int64_t removedAt)
        : parent(parent), name(name), depth(parent ? parent->depth + 1 : 0), hash(hash), removedAt(removedAt),
          own(arena), children(arena)
    {
    }

    Node* parent;
    QStringView name;  // in the arena
    qsizetype depth;
    std::size_t hash;
    std::int64_t removedAt;  // the last "[-...]" line of it or of a key above it; -1: none
    std::pmr::vector<std::int64_t> own;
    std::pmr::map<QStringView, Node*, FoldedLess> children;  // those looked up so far
    RegKey* values = nullptr;
};

namespace {

template <class Entries> auto withHash(const Entries& entries, std::size_t hash)
{
    return std::equal_range(entries.begin(), entries.end(), KeyLine{hash, 0},
                            [](const KeyLine& a, const KeyLine& b) { return a.hash < b.hash; });
}

}  // namespace

RegistryText::RegistryText(QByteArray bytes, const QString& sourceName)
    : text_(checkRegistry(std::move(bytes), sourceName, QHashSeed::globalSeed())), arena_(std::make_unique<Arena>())
{
    root_ = newNode(nullptr, QStringView(), QHashSeed::globalSeed());
}

// Whether the line at `at` names the key `name` below `parent` (or the root,
// without a parent): as its own line, or as a key above the line's.
bool RegistryText::names(std::int64_t at, const Node* parent, QStringView name, bool own, bool remove) const
{
    bool removes = false;
    const QStringList path = keyPathAt(text_.lines, text_.format, at, removes);
    if (removes != remove) return false;
    const qsizetype depth = parent ? parent->depth + 1 : 0;
    if (own ? path.size() != depth : path.size() <= depth) return false;
    if (!parent) return true;
    if (!sameName(path[depth - 1], name)) return false;
    for (const Node* n = parent; n->parent; n = n->parent)
        if (!sameName(path[n->depth - 1], n->name)) return false;
    return true;
}

RegistryText::Node* RegistryText::newNode(Node* parent, QStringView name, std::size_t hash) const
{
    // Equal hashes are checked against the lines themselves: a hash says where
    // to look, never what is there.
    std::int64_t removedAt = parent ? parent->removedAt : -1;
    const auto [removalsFrom, removalsTo] = withHash(text_.removals, hash);
    for (auto it = removalsFrom; it != removalsTo; ++it)
        if (it->at() > removedAt && names(it->at(), parent, name, true, true)) removedAt = it->at();
    bool found = !parent;  // the root is always there
    std::vector<std::int64_t> own;
    const auto [from, to] = withHash(text_.keys, hash);
    for (auto it = from; it != to; ++it) {
        // One line above a later key is enough to know the key is there.
        if (it->at() <= removedAt || (found && !it->own())) continue;
        if (!names(it->at(), parent, name, it->own(), false)) continue;
        found = true;
        if (it->own()) own.push_back(it->at());
    }
    if (!found) return nullptr;
    QStringView stored;
    if (!name.isEmpty()) {
        auto* units = static_cast<char16_t*>(arena_->allocate(std::size_t(name.size()) * 2, alignof(char16_t)));
        std::copy(name.utf16(), name.utf16() + name.size(), units);
        stored = QStringView(units, name.size());
    }
    // Never destroyed one by one: everything a node holds is in the arena.
    Node* node = new (arena_->allocate(sizeof(Node), alignof(Node))) Node(arena_.get(), parent, stored, hash, removedAt);
    node->own.assign(own.begin(), own.end());  // sorted: the lines of one hash are in file order
    return node;
}

RegistrySource::Key RegistryText::root() const { return reinterpret_cast<Key>(root_); }

RegistrySource::Key RegistryText::child(Key parent, QStringView name) const
{
    std::lock_guard lock(mutex_);
    return childUnlocked(parent, name);
}

RegistrySource::Key RegistryText::childUnlocked(Key parent, QStringView name) const
{
    Node* p = reinterpret_cast<Node*>(parent);
    if (auto it = p->children.find(name); it != p->children.end()) return reinterpret_cast<Key>(it->second);
    if (name.isEmpty() || name.size() > 255) return 0;  // no key is named so
    Node* node = newNode(p, name, foldedHash(name, p->hash));
    if (node) p->children.emplace(node->name, node);
    return reinterpret_cast<Key>(node);
}

const RegValueView* RegistryText::value(Key key, QStringView name) const
{
    std::lock_guard lock(mutex_);
    Node* node = reinterpret_cast<Node*>(key);
    if (!node->values) {
        node->values = new (arena_->allocate(sizeof(RegKey), alignof(RegKey))) RegKey(arena_.get(), node->name);
        for (std::int64_t at : node->own) readValuesAt(text_.lines, text_.format, at, *node->values);
    }
    return node->values->value(name);
}

QStringList RegistryText::subkeyNames(Key key) const
{
    std::lock_guard lock(mutex_);
    const Node* node = reinterpret_cast<const Node*>(key);
    std::vector<const Node*> up;
    for (const Node* n = node; n->parent; n = n->parent) up.insert(up.begin(), n);
    // The index keeps the key lines by hash: in the file's order, each name where it first appears.
    std::vector<std::pair<std::int64_t, QString>> found;
    for (const KeyLine& line : text_.keys) {
        if (line.at() <= node->removedAt) continue;
        bool removes = false;
        const QStringList path = keyPathAt(text_.lines, text_.format, line.at(), removes);
        if (removes || path.size() <= node->depth) continue;
        bool below = true;
        for (std::size_t i = 0; i < up.size() && below; ++i) below = sameName(path[qsizetype(i)], up[i]->name);
        if (below) found.emplace_back(line.at(), path[node->depth]);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    std::set<QString> seen;
    for (const auto& [at, name] : found)
        if (seen.insert(name.toCaseFolded()).second) names << name;
    // Removed since: what a later "[-...]" line took away is not there.
    QStringList kept;
    for (const QString& name : names)
        if (const_cast<RegistryText*>(this)->childUnlocked(key, name)) kept << name;
    return kept;
}

QStringList RegistryText::valueNames(Key key) const
{
    value(key, QString());  // reads the key's values
    std::lock_guard lock(mutex_);
    QStringList names;
    reinterpret_cast<const Node*>(key)->values->forEachValue([&](QStringView name, const RegValueView&) {
        names << name.toString();
    });
    return names;
}

std::shared_ptr<const RegistryText> readRegistryFile(const QString& path)
{
    auto unreadable = [&](const QString& why) {
        return RuntimeError(ErrorNumber::FileNotFound,
                            QStringLiteral("Registrierungsdatei \u201E%1\u201C ist nicht lesbar%2").arg(path, why));
    };
    QFile file(path);
    if (!file.exists())
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C nicht gefunden").arg(path));
    // A FIFO or a device would block the read or never end; only plain files are registries.
    if (!QFileInfo(path).isFile())
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("Registrierungsdatei \u201E%1\u201C ist keine gew\u00F6hnliche Datei")
                               .arg(path));
    if (!file.open(QIODevice::ReadOnly)) throw unreadable(runtime::libraryWords(file.errorString()));
    const qint64 size = file.size();
    if (size > maxRegistryTextSize()) throw registryTextError(path, 0, tooLarge());
    // Read once into memory of its own: a file that changes or shrinks under
    // the program changes nothing that was read.
    QByteArray bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw unreadable(QStringLiteral(": zu wenig Arbeitsspeicher für %1 Bytes").arg(size));
    }
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(bytes.data() + got, size - got);
        if (n < 0) throw unreadable(runtime::libraryWords(file.errorString()));
        if (n == 0) break;  // it shrank
        got += n;
    }
    bytes.truncate(got);
    return std::make_shared<const RegistryText>(std::move(bytes), path);
}

bool beginsLikeText(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return true;  // told as it is read
    const QByteArray head = file.read(512);
    if (head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) return true;
    qsizetype end = 0;
    while (end < head.size() && head[end] != '\n') {
        const auto c = static_cast<unsigned char>(head[end++]);
        if (c < 0x20 && c != '\t' && c != '\r') return false;
    }
    // A line cut off at 512 bytes may end inside a sequence, which the
    // decoder keeps for later: only sequences that cannot be UTF-8 count.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString line = utf8.decode(QByteArrayView(head).first(end));  // decoded here, where it is converted
    return !utf8.hasError();
}

QString firstLineOf(const QString& path)
{
    const QByteArray head = disk::fileHead(path, 512);
    QString text;
    if (head.startsWith("\xFF\xFE"))
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(head.mid(2));
    else if (head.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(head.mid(2));
    else if (head.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(head.mid(3));
    else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(head);
        if (utf8.hasError()) text = decodeWindows1252(head);
    }
    text = text.section(u'\n', 0, 0).remove(u'\r');
    for (QChar& c : text)
        if (!c.isPrint()) c = u' ';
    return text.size() > 60 ? text.left(60) + u'\u2026' : text;
}

bool beginsLikeRegistryText(const QString& path)
{
    const QString first = firstLineOf(path).trimmed();
    if (first.isEmpty()) return false;
    // A header cut short ("REG") is a registry text cut short.
    for (const char* begins : {"REGEDIT", "Windows Registry Editor", "WINE REGISTRY"}) {
        const QLatin1String header(begins);
        if (first.startsWith(header, Qt::CaseInsensitive) || header.startsWith(first, Qt::CaseInsensitive)) return true;
    }
    return false;
}

}  // namespace registry
