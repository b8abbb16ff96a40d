#include "registry/text/RegistrySource.h"

#include "registry/text/RegistryTree.h"

#include <QString>
#include <QStringTokenizer>

namespace registry {

namespace {

using Key = RegistrySource::Key;

// The target of a link key ("\Registry\Machine\System\ControlSet001") as a
// path under HKLM, or a null string when the key is no link.
QString linkTarget(const RegistrySource& source, Key key)
{
    if (!source.mayBeLink(key)) return {};
    const RegValueView* link = source.value(key, u"SymbolicLinkValue");
    if (!link || link->type != std::uint32_t(RegType::Link)) return {};
    const QString text = *textOf(*link);
    QStringTokenizer parts(text, u'\\', Qt::SkipEmptyParts);
    auto it = parts.begin();
    if (it == parts.end() || !sameName(*it, u"Registry")) return {};
    if (++it == parts.end() || !sameName(*it, u"Machine")) return {};
    if (++it == parts.end()) return {};
    return text.mid(it->data() - text.constData());
}

// Walks keyPath from the root, following link keys.
Key walk(const RegistrySource& source, QStringView keyPath)
{
    QString followed;  // the path once a link was followed
    Key key = source.root();
    int hops = 0;
    qsizetype at = 0;
    while (at < keyPath.size()) {
        qsizetype end = keyPath.indexOf(u'\\', at);
        if (end < 0) end = keyPath.size();
        if (end > at) {
            key = source.child(key, keyPath.sliced(at, end - at));
            if (!key) return 0;
            QString target = linkTarget(source, key);
            if (!target.isNull()) {
                if (++hops > 16) return 0;  // a loop of links
                target += keyPath.sliced(end);
                followed = std::move(target);
                keyPath = followed;
                key = source.root();
                at = 0;
                continue;
            }
        }
        at = end + 1;
    }
    return key;
}

int currentControlSet(const RegistrySource& source)
{
    const Key select = walk(source, u"SYSTEM\\Select");
    const RegValueView* current = select ? source.value(select, u"Current") : nullptr;
    const auto n = current ? dwordOf(*current) : std::nullopt;
    return n && *n >= 1 && *n <= 999 ? int(*n) : 1;
}

Key findAliased(const RegistrySource& source, QStringView keyPath)
{
    if (const Key key = walk(source, keyPath)) return key;
    QStringTokenizer parts(keyPath, u'\\', Qt::SkipEmptyParts);
    auto it = parts.begin();
    if (it == parts.end() || !sameName(*it, u"SYSTEM")) return 0;
    if (++it == parts.end()) return 0;
    const QStringView set = *it;
    const QString numbered = QStringLiteral("ControlSet%1").arg(currentControlSet(source), 3, 10, QChar(u'0'));
    QString other;
    if (sameName(set, u"CurrentControlSet"))
        other = numbered;
    else if (sameName(set, numbered))
        other = QStringLiteral("CurrentControlSet");
    else
        return 0;
    const qsizetype from = set.data() - keyPath.data();
    QString aliased = keyPath.first(from).toString();
    aliased += other;
    aliased += keyPath.sliced(from + set.size());
    return walk(source, aliased);
}

}  // namespace

RegistrySource::Key findKey(const RegistrySource& source, QStringView keyPath)
{
    return findAliased(source, keyPath);
}

std::optional<RegValueView> findValue(const RegistrySource& source, QStringView keyPath, QStringView valueName)
{
    const Key key = findAliased(source, keyPath);
    const RegValueView* value = key ? source.value(key, valueName) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

}  // namespace registry
