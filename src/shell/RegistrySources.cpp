#include "shell/RegistrySources.h"

#include "shell/BuiltinDefaults.h"
#include "shell/RegistryFileCache.h"
#include "shell/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringTokenizer>

#include <set>
#include <utility>

namespace shell {

namespace {

int currentControlSet(const RegistryTree& tree)
{
    const RegKey* select = tree.findKey(u"SYSTEM\\Select");
    const RegValueView* current = select ? select->value(u"Current") : nullptr;
    const auto n = current ? dwordOf(*current) : std::nullopt;
    return n && *n >= 1 && *n <= 999 ? int(*n) : 1;
}

// The target of a link key ("\Registry\Machine\System\ControlSet001") as a
// path under HKLM, or a null string when the key is no link.
QString linkTarget(const RegKey& key)
{
    const RegValueView* link = key.value(u"SymbolicLinkValue");
    if (!link || link->type != std::uint32_t(RegType::Link)) return {};
    const QString text = *textOf(*link);
    QStringTokenizer parts(text, u'\\', Qt::SkipEmptyParts);
    auto it = parts.begin();
    if (it == parts.end() || !sameName(*it, u"Registry")) return {};
    if (++it == parts.end() || !sameName(*it, u"Machine")) return {};
    if (++it == parts.end()) return {};
    return text.mid(it->data() - text.constData());
}

// Walks keyPath from the root, following link keys (at most 16 of them).
const RegKey* walk(const RegistryTree& tree, QStringView keyPath)
{
    QString followed;  // the path once a link was followed
    const RegKey* key = &tree.root();
    int hops = 0;
    qsizetype at = 0;
    while (at < keyPath.size()) {
        qsizetype end = keyPath.indexOf(u'\\', at);
        if (end < 0) end = keyPath.size();
        if (end > at) {
            key = key->child(keyPath.sliced(at, end - at));
            if (!key) return nullptr;
            QString target = linkTarget(*key);
            if (!target.isNull()) {
                if (++hops > 16) return nullptr;  // a loop of links
                target += keyPath.sliced(end);
                followed = std::move(target);
                keyPath = followed;
                key = &tree.root();
                at = 0;
                continue;
            }
        }
        at = end + 1;
    }
    return key;
}

const RegKey* findAliased(const RegistryTree& tree, QStringView keyPath)
{
    if (const RegKey* key = walk(tree, keyPath)) return key;
    // SYSTEM\CurrentControlSet and SYSTEM\ControlSet00N (the current one) are one key.
    QStringTokenizer parts(keyPath, u'\\', Qt::SkipEmptyParts);
    auto it = parts.begin();
    if (it == parts.end() || !sameName(*it, u"SYSTEM")) return nullptr;
    if (++it == parts.end()) return nullptr;
    const QStringView set = *it;
    const QString numbered = QStringLiteral("ControlSet%1").arg(currentControlSet(tree), 3, 10, QChar(u'0'));
    QString other;
    if (sameName(set, u"CurrentControlSet"))
        other = numbered;
    else if (sameName(set, numbered))
        other = QStringLiteral("CurrentControlSet");
    else
        return nullptr;
    const qsizetype from = set.data() - keyPath.data();
    QString aliased = keyPath.first(from).toString();
    aliased += other;
    aliased += keyPath.sliced(from + set.size());
    return walk(tree, aliased);
}

std::optional<RegValueView> findIn(const RegistryTree& tree, QStringView keyPath, QStringView valueName)
{
    const RegKey* key = findAliased(tree, keyPath);
    const RegValueView* value = key ? key->value(valueName) : nullptr;
    if (!value) return std::nullopt;
    return *value;
}

std::mutex g_leftOutMutex;
std::vector<RuntimeError> g_leftOut;  // not yet taken
std::set<QString> g_toldOf;           // every fault told, so each is told once

void leaveOut(const RuntimeError& error)
{
    std::lock_guard lock(g_leftOutMutex);
    if (g_toldOf.insert(error.description()).second) g_leftOut.push_back(error);
}

QString winePrefixRegistry()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) prefix = QDir::home().filePath(QStringLiteral(".wine"));
    return QDir(prefix).filePath(QStringLiteral("system.reg"));
}

}  // namespace

std::vector<RuntimeError> takeLeftOutSources()
{
    std::lock_guard lock(g_leftOutMutex);
    return std::exchange(g_leftOut, {});
}

RegistrySources::RegistrySources(std::vector<std::shared_ptr<const RegistryTree>> trees,
                                 std::shared_ptr<const MachineSnapshot> machine)
    : trees_(std::move(trees)), machine_(std::move(machine))
{
}

std::shared_ptr<const RegistrySources> RegistrySources::fromEnvironment(std::shared_ptr<const MachineSnapshot> machine)
{
    std::vector<std::shared_ptr<const RegistryTree>> trees;
    if (qEnvironmentVariableIsSet("TESSERA_REGISTRY")) {
        for (const QString& file : qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts))
            trees.push_back(cachedRegistryFile(file));
        return std::make_shared<const RegistrySources>(std::move(trees), nullptr);
    }
    // The Wine prefix is optional: when its file cannot be read, this machine's
    // facts and the built-in values are shown without it, and the fault is told once.
    const QString wine = winePrefixRegistry();
    const QFileInfo wineFile(wine);
    if (wineFile.exists() || wineFile.isSymLink()) {
        try {
            trees.push_back(cachedRegistryFile(wine));
        } catch (const RuntimeError& error) {
            leaveOut(RuntimeError(error.number(),
                                  QStringLiteral("Die Registrierung des Wine-Präfixes wird nicht gelesen. %1")
                                      .arg(error.description())));
        }
    }
    trees.push_back(builtinDefaults());
    return std::make_shared<const RegistrySources>(std::move(trees), std::move(machine));
}

const RegistryTree& RegistrySources::hardware() const
{
    std::call_once(hardwareBuilt_,
                   [this] { hardware_ = std::make_unique<const RegistryTree>(hardwareView(machine_->texts())); });
    return *hardware_;
}

std::optional<RegValueView> RegistrySources::find(const QString& keyPath, const QString& valueName) const
{
    if (machine_) {
        QStringView path = keyPath;
        while (path.startsWith(u'\\')) path = path.sliced(1);
        if (path.startsWith(u"HARDWARE", Qt::CaseInsensitive)) {
            const QString normal = path.toString().split(u'\\', Qt::SkipEmptyParts).join(u'\\');
            if (normal.startsWith(u"HARDWARE\\DESCRIPTION\\System", Qt::CaseInsensitive))
                if (auto value = findIn(hardware(), normal, valueName)) return value;
        }
    }
    for (const auto& tree : trees_)
        if (auto value = findIn(*tree, keyPath, valueName)) return value;
    return std::nullopt;
}

}  // namespace shell
