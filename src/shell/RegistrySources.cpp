#include "RegistrySources.h"

#include "MachineFacts.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

extern const char builtinDefaultsData[];
extern const std::size_t builtinDefaultsSize;

namespace {

QString textOf(const RegValue& value)
{
    QString text;
    for (qsizetype i = 0; i + 1 < value.data.size(); i += 2)
        text.append(QChar(char16_t(std::uint8_t(value.data[i]) | std::uint8_t(value.data[i + 1]) << 8)));
    while (text.endsWith(QChar(u'\0'))) text.chop(1);
    return text;
}

int currentControlSet(const RegistryTree& tree)
{
    const RegKey* select = tree.findKey(u"SYSTEM\\Select");
    const RegValue* current = select ? select->value(u"Current") : nullptr;
    if (current && current->type == std::uint32_t(RegType::Dword) && current->data.size() == 4) {
        const auto* d = reinterpret_cast<const std::uint8_t*>(current->data.constData());
        const std::uint32_t n = d[0] | d[1] << 8 | d[2] << 16 | std::uint32_t(d[3]) << 24;
        if (n >= 1 && n <= 999) return int(n);
    }
    return 1;
}

// The target of a link key ("\Registry\Machine\System\ControlSet001"), as
// components under HKLM, or empty when the key is no link.
QStringList linkTarget(const RegKey& key)
{
    const RegValue* link = key.value(u"SymbolicLinkValue");
    if (!link || link->type != std::uint32_t(RegType::Link)) return {};
    QStringList parts = textOf(*link).split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts[0].compare(u"Registry", Qt::CaseInsensitive) != 0
        || parts[1].compare(u"Machine", Qt::CaseInsensitive) != 0)
        return {};
    return parts.mid(2);
}

const RegKey* walk(const RegistryTree& tree, QStringList parts)
{
    const RegKey* key = &tree.root();
    int hops = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        key = key->child(parts[i]);
        if (!key) return nullptr;
        const QStringList target = linkTarget(*key);
        if (!target.isEmpty()) {
            if (++hops > 16) return nullptr;  // a loop of links
            parts = target + parts.mid(i + 1);
            key = &tree.root();
            i = -1;
        }
    }
    return key;
}

const RegKey* findAliased(const RegistryTree& tree, const QString& keyPath)
{
    QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    if (const RegKey* key = walk(tree, parts)) return key;
    if (parts.size() < 2 || parts[0].compare(u"SYSTEM", Qt::CaseInsensitive) != 0) return nullptr;
    const QString numbered = QStringLiteral("ControlSet%1").arg(currentControlSet(tree), 3, 10, QChar(u'0'));
    if (parts[1].compare(u"CurrentControlSet", Qt::CaseInsensitive) == 0)
        parts[1] = numbered;
    else if (parts[1].compare(numbered, Qt::CaseInsensitive) == 0)
        parts[1] = QStringLiteral("CurrentControlSet");
    else
        return nullptr;
    return walk(tree, parts);
}

std::optional<RegValue> findIn(const RegistryTree& tree, const QString& keyPath, const QString& valueName)
{
    const RegKey* key = findAliased(tree, keyPath);
    const RegValue* value = key ? key->value(valueName) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

QString winePrefixRegistry()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) prefix = QDir::home().filePath(QStringLiteral(".wine"));
    return QDir(prefix).filePath(QStringLiteral("system.reg"));
}

}  // namespace

std::shared_ptr<const RegistryTree> builtinDefaults()
{
    static const auto tree = std::make_shared<const RegistryTree>(parseRegistry(
        QByteArrayView(builtinDefaultsData, qsizetype(builtinDefaultsSize)), QStringLiteral("defaults.reg")));
    return tree;
}

RegistrySources::RegistrySources(std::vector<std::shared_ptr<const RegistryTree>> trees, bool withHardware)
    : trees_(std::move(trees)), withHardware_(withHardware)
{
}

std::shared_ptr<const RegistrySources> RegistrySources::fromEnvironment()
{
    std::vector<std::shared_ptr<const RegistryTree>> trees;
    if (qEnvironmentVariableIsSet("TESSERA_REGISTRY")) {
        for (const QString& file : qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts))
            trees.push_back(cachedRegistryFile(file));
        return std::make_shared<const RegistrySources>(std::move(trees), false);
    }
    const QString wine = winePrefixRegistry();
    if (QFileInfo::exists(wine)) trees.push_back(cachedRegistryFile(wine));
    trees.push_back(builtinDefaults());
    return std::make_shared<const RegistrySources>(std::move(trees), true);
}

std::optional<RegValue> RegistrySources::find(const QString& keyPath, const QString& valueName) const
{
    if (withHardware_) {
        const QString path = keyPath.split(u'\\', Qt::SkipEmptyParts).join(u'\\');
        if (path.startsWith(u"HARDWARE\\DESCRIPTION\\System", Qt::CaseInsensitive)) {
            const RegistryTree hardware = hardwareView();
            if (auto value = findIn(hardware, path, valueName)) return value;
        }
    }
    for (const auto& tree : trees_)
        if (auto value = findIn(*tree, keyPath, valueName)) return value;
    return std::nullopt;
}

}  // namespace shell
