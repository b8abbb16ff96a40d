#include "shell/Machine.h"

#include "disk/FileBytes.h"
#include "disk/containers/ForeignFormat.h"
#include "disk/machines/NamedFile.h"
#include "machine/ViewedHardware.h"
#include "registry/BuiltinDefaults.h"
#include "registry/hive/Hive.h"
#include "registry/ImageSource.h"
#include "registry/InstallationFiles.h"
#include "registry/RegistryFileCache.h"
#include "registry/SourceFolder.h"
#include "registry/text/TreeSource.h"

#include <QDir>
#include <QFileInfo>
#include <QStringTokenizer>

#include <iterator>
#include <set>
#include <utility>

namespace shell {

using runtime::RuntimeError;
using registry::RegValueView;
using registry::RegistrySource;
using registry::RegistryTree;
using registry::TreeSource;
using registry::builtinDefaults;
using registry::cachedHive;
using registry::cachedRegistryFile;
using registry::findValue;
using registry::looksLikeHive;
using registry::registryFilesIn;
using registry::sameName;
using registry::textOf;
using machine::MachineSnapshot;
using machine::hardwareView;
using machine::viewedHardware;

namespace {

// What a machine's sources have to tell, each once.
using Notices = std::vector<RuntimeError>;

void tell(Notices& notices, const RuntimeError& error)
{
    for (const RuntimeError& told : notices)
        if (told.description() == error.description()) return;
    notices.push_back(error);
}

QString winePrefixRegistry()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) prefix = QDir::home().filePath(QStringLiteral(".wine"));
    return QDir(prefix).filePath(QStringLiteral("system.reg"));
}

SourceDescription describedHive(const registry::Hive& hive)
{
    SourceDescription d;
    d.kind = hive.kind() == registry::Hive::Kind::System ? SourceDescription::Kind::HiveSystem
                                                          : SourceDescription::Kind::HiveSoftware;
    d.path = hive.path();
    if (const auto& location = hive.imageLocation()) {
        d.image = location->image;
        d.partition = location->partition;
        d.path = location->inside;
        d.chain = location->chain;
        d.encryption = location->encryption;
    }
    d.primarySequence = hive.primarySequence();
    d.secondarySequence = hive.secondarySequence();
    d.dirty = hive.replay().before.dirty();
    d.sequence = hive.replay().sequence;
    for (const registry::LogReplayed& log : hive.replay().logs)
        d.logs.push_back({log.path, log.entries, runtime::splitLibraryWords(log.stopped).message});
    d.upToDate = hive.replay().upToDate();
    return d;
}

SourceDescription describedFile(const QString& path, const registry::RegistryText& text)
{
    SourceDescription d;
    d.kind = text.format() == registry::RegistryFormat::Wine ? SourceDescription::Kind::Wine
                                                             : SourceDescription::Kind::Export;
    d.path = path;
    return d;
}

// What the named sources of one machine give, as they are opened.
struct Opening {
    bool cached = true;  // through the files' caches, shared with other openings
    std::vector<std::shared_ptr<const RegistrySource>> sources;
    std::vector<SourceDescription> described;
    Notices notices;
    std::shared_ptr<const registry::InstallationFiles> files;  // the first source's that shows them

    void addHive(std::shared_ptr<const registry::Hive> hive)
    {
        // A hive that shows an older state than Windows left is read all the same, and told once.
        if (const auto notice = hive->replayNotice()) tell(notices, RuntimeError(runtime::ErrorNumber::InvalidData, *notice));
        described.push_back(describedHive(*hive));
        sources.push_back(std::move(hive));
    }

    void addImage(const registry::ImageName& image)
    {
        const auto installation = cached ? registry::cachedImageInstallation(image)
                                         : std::make_shared<const registry::ImageInstallation>(image);
        for (const auto& hive : installation->hives()) addHive(hive);
        if (!files) files = installation->files();
    }

    void addFile(const QString& file)
    {
        if (looksLikeHive(file)) {
            addHive(cached ? cachedHive(file) : std::make_shared<const registry::Hive>(file));
            // A hive in an installation's config folder: its other files lie around it.
            if (!files)
                if (const auto root = registry::installationRootOf(file)) files = registry::folderInstallation(*root);
            return;
        }
        auto text = cached ? cachedRegistryFile(file) : registry::readRegistryFile(file);
        described.push_back(describedFile(file, *text));
        // A Wine prefix's system.reg: its user.reg and drive_c lie beside it.
        if (!files && text->format() == registry::RegistryFormat::Wine
            && sameName(QFileInfo(file).fileName(), u"system.reg"))
            files = registry::winePrefixInstallation(QFileInfo(file).absolutePath());
        sources.push_back(std::move(text));
    }

    void addNamed(const QString& name);
};

// A named file or folder as sources: a folder stands for the files it holds
// (an installation, a Wine prefix) or for a virtual machine's disks, a file
// beginning with "regf" is a hive, a disk image or device, a virtual
// machine's .vbox or .vmx (or BILD@N) stands for the hives of its
// installation, a file that begins like a registry text is one; anything
// else (a path that is not there, a file that may not be read, an empty
// one, a key file, a text of another kind) is named for what it is.
void Opening::addNamed(const QString& name)
{
    disk::checkNamedFile(name);
    const bool folder = QFileInfo(name).isDir();
    QStringList files{name};
    if (folder) {
        try {
            files = registryFilesIn(name);
        } catch (const disk::NotPermitted&) {
            throw;
        } catch (const RuntimeError&) {
            if (const QString what = disk::foreignFormatOf(name); !what.isEmpty())
                throw RuntimeError(runtime::ErrorNumber::InvalidData,
                                   QStringLiteral("Ordner \u201E%1\u201C %2").arg(name, what));
            addImage({name, -1});  // a virtual machine, or the same message
            return;
        }
    } else if (!looksLikeHive(name)) {
        if (const auto image = registry::imageNamed(name)) {
            addImage(*image);
            return;
        }
        if (const QString what = disk::foreignFormatOf(name); !what.isEmpty())
            throw RuntimeError(runtime::ErrorNumber::InvalidData, QStringLiteral("Datei \u201E%1\u201C %2").arg(name, what));
        if (registry::beginsLikeText(name) && !registry::beginsLikeRegistryText(name))
            throw RuntimeError(runtime::ErrorNumber::InvalidData,
                               QStringLiteral("Datei \u201E%1\u201C ist eine Textdatei, aber keine Registrierungsdatei: "
                                              "ihre erste Zeile lautet \u201E%2\u201C. Eine exportierte "
                                              "Registrierungsdatei beginnt mit \u201EREGEDIT4\u201C oder "
                                              "\u201EWindows Registry Editor Version 5.00\u201C, die eines "
                                              "Wine-Präfixes mit \u201EWINE REGISTRY Version 2\u201C.")
                                   .arg(name, registry::firstLineOf(name)));
        if (!registry::beginsLikeText(name))
            throw RuntimeError(runtime::ErrorNumber::InvalidData,
                               QStringLiteral("Datei \u201E%1\u201C ist weder eine Registrierungsdatei noch ein "
                                              "Datenträgerabbild, das Tessera kennt: ihr Anfang (%2) passt zu keinem "
                                              "bekannten Format; eine Registrierungsstruktur beginnt mit \u201Eregf\u201C, "
                                              "eine exportierte mit \u201EREGEDIT4\u201C oder \u201EWindows Registry "
                                              "Editor Version 5.00\u201C")
                                   .arg(name, QString::fromLatin1(disk::fileHead(name, 8).toHex(' ').toUpper())));
    }
    for (const QString& file : files) {
        if (folder) disk::checkNamedFile(file);
        addFile(file);
    }
}

// A machine's hives named without their partner (SYSTEM without SOFTWARE, or
// the reverse, and no export that could hold the other) are read all the
// same; what the missing one holds stays empty, and that is told once.
void tellMissingPartner(const std::vector<SourceDescription>& described, Notices& notices)
{
    const SourceDescription* system = nullptr;
    const SourceDescription* software = nullptr;
    for (const SourceDescription& d : described) {
        if (d.kind == SourceDescription::Kind::Export || d.kind == SourceDescription::Kind::Wine) return;
        if (d.kind == SourceDescription::Kind::HiveSystem && !system) system = &d;
        if (d.kind == SourceDescription::Kind::HiveSoftware && !software) software = &d;
    }
    if (!system == !software) return;
    const SourceDescription& named = system ? *system : *software;
    const QString where = named.image.isNull()
                              ? QStringLiteral("\u201E%1\u201C").arg(named.path)
                              : QStringLiteral("\u201E%1\u201C in \u201E%2\u201C").arg(named.path, named.image);
    tell(notices, RuntimeError(runtime::ErrorNumber::FileNotFound,
                      system ? QStringLiteral("Zu %1 fehlt die Registrierungsstruktur SOFTWARE: die Windows-Version, "
                                              "der Systemordner und die Browser-Versionen bleiben leer oder "
                                              "unaufgelöst. Nennen Sie SOFTWARE mit (etwa \u201Etessera SYSTEM "
                                              "SOFTWARE\u201C) oder den Ordner, in dem beide liegen.")
                                   .arg(where)
                             : QStringLiteral("Zu %1 fehlt die Registrierungsstruktur SYSTEM: Prozessor, Umgebung, "
                                              "Speicher- und Soundeinstellungen bleiben leer. Nennen Sie SYSTEM mit "
                                              "(etwa \u201Etessera SYSTEM SOFTWARE\u201C) oder den Ordner, in dem "
                                              "beide liegen.")
                                   .arg(where)));
}

// Whether keyPath lies under HARDWARE\DESCRIPTION\System, however many
// backslashes stand between its names (compared one name at a time, no copy).
bool underHardwareDescription(QStringView keyPath)
{
    static const QStringView prefix[] = {u"HARDWARE", u"DESCRIPTION", u"System"};
    std::size_t matched = 0;
    for (QStringView part : QStringTokenizer(keyPath, u'\\', Qt::SkipEmptyParts)) {
        if (!sameName(part, prefix[matched])) return false;
        if (++matched == std::size(prefix)) return true;
    }
    return false;
}

}  // namespace

Machine::Machine(std::vector<std::shared_ptr<const RegistrySource>> named, std::vector<SourceDescription> described,
                 std::vector<RuntimeError> notices)
    : sources_(std::move(named)), described_(std::move(described)), notices_(std::move(notices))
{
}

Machine::Machine(std::vector<std::shared_ptr<const RegistrySource>> layers, std::shared_ptr<const MachineSnapshot> snapshot,
                 std::vector<SourceDescription> described, std::vector<RuntimeError> notices)
    : sources_(std::move(layers)), snapshot_(std::move(snapshot)), described_(std::move(described)),
      notices_(std::move(notices))
{
}

std::optional<registry::WindowsProduct> Machine::product() const
{
    if (!viewsAnotherMachine()) return std::nullopt;
    return registry::windowsProduct([this](QStringView valueName) {
        const auto value = find(registry::kCurrentVersionKey, valueName);
        return value ? textOf(*value).value_or(QString()) : QString();
    });
}

std::shared_ptr<const Machine> Machine::open(const std::optional<QStringList>& named, Reuse reuse)
{
    return open(named, std::make_shared<const MachineSnapshot>(), reuse);
}

std::shared_ptr<const Machine> Machine::open(const std::optional<QStringList>& named,
                                             std::shared_ptr<const MachineSnapshot> snapshot, Reuse reuse)
{
    if (named) {
        Opening opening;
        opening.cached = reuse == Reuse::Cached;
        for (const QString& name : *named) opening.addNamed(name);
        tellMissingPartner(opening.described, opening.notices);
        auto machine = std::make_shared<Machine>(std::move(opening.sources), std::move(opening.described),
                                                 std::move(opening.notices));
        machine->files_ = std::move(opening.files);
        return machine;
    }
    std::vector<std::shared_ptr<const RegistrySource>> sources;
    std::vector<SourceDescription> described;
    Notices notices;
    SourceDescription live;
    live.kind = SourceDescription::Kind::Live;
    live.path = machine::machineRoot();
    described.push_back(live);
    // The Wine prefix is optional: when its file cannot be read, this machine's
    // facts and the built-in values are shown without it, and the fault is told once.
    const QString wine = winePrefixRegistry();
    const QFileInfo wineFile(wine);
    if (wineFile.exists() || wineFile.isSymLink()) {
        try {
            auto text = cachedRegistryFile(wine);
            described.push_back(describedFile(wine, *text));
            sources.push_back(std::move(text));
        } catch (const RuntimeError& error) {
            tell(notices, RuntimeError(error.number(),
                                       QStringLiteral("Die Registrierung des Wine-Präfixes wird nicht gelesen. %1")
                                           .arg(error.description()),
                                       error.details()));
        }
    }
    sources.push_back(builtinDefaults());
    described.emplace_back();  // the built-in defaults: a source without a file
    return std::make_shared<const Machine>(std::move(sources), std::move(snapshot), std::move(described),
                                           std::move(notices));
}

const RegistrySource& Machine::hardware() const
{
    std::call_once(hardwareBuilt_, [this] {
        RegistryTree tree;
        if (snapshot_) {
            tree = hardwareView(snapshot_->texts());
        } else {
            tree = viewedHardware([this](QStringView keyPath, QStringView valueName) -> std::optional<QString> {
                for (const auto& source : sources_)
                    if (auto value = findValue(*source, keyPath, valueName)) return textOf(*value);
                return std::nullopt;
            });
        }
        hardware_ = std::make_unique<const TreeSource>(std::make_shared<const RegistryTree>(std::move(tree)));
    });
    return *hardware_;
}

std::optional<RegValueView> Machine::find(QStringView keyPath, QStringView valueName) const
{
    // This machine's live view comes first; another machine's sources win over
    // what is told of its hardware.
    const bool hardwareKey = underHardwareDescription(keyPath);
    if (snapshot_ && hardwareKey)
        if (auto value = findValue(hardware(), keyPath, valueName)) return value;
    const std::vector<RegistrySource::Key>& keys = keysAt(keyPath);
    for (std::size_t i = 0; i < sources_.size(); ++i)
        if (keys[i])
            if (const RegValueView* value = sources_[i]->value(keys[i], valueName)) return *value;
    if (!snapshot_ && hardwareKey) return findValue(hardware(), keyPath, valueName);
    return std::nullopt;
}

const std::vector<RegistrySource::Key>& Machine::keysAt(QStringView keyPath) const
{
    {
        const std::lock_guard lock(keysMutex_);
        // Mostly the key of the value read before.
        if (lastKeys_ && lastKeys_->first == keyPath) return lastKeys_->second;
        if (const auto it = keys_.find(keyPath.toString()); it != keys_.end()) {
            lastKeys_ = &*it;
            return it->second;
        }
    }
    std::vector<RegistrySource::Key> keys;  // found outside the lock: a damaged hive fails, and nothing is kept
    for (const auto& source : sources_) keys.push_back(registry::findKey(*source, keyPath));
    const std::lock_guard lock(keysMutex_);
    lastKeys_ = &*keys_.try_emplace(keyPath.toString(), std::move(keys)).first;  // elements stay in place
    return lastKeys_->second;
}

namespace {

// `names` of every source that holds the key, each once.
QStringList namesInSources(const std::vector<std::shared_ptr<const RegistrySource>>& sources, QStringView keyPath,
                           QStringList (RegistrySource::*names)(RegistrySource::Key) const)
{
    QStringList all;
    std::set<QString> seen;
    for (const auto& source : sources) {
        const RegistrySource::Key key = registry::findKey(*source, keyPath);
        if (key == 0) continue;
        for (QString& name : ((*source).*names)(key))
            if (seen.insert(name.toCaseFolded()).second) all << std::move(name);
    }
    return all;
}

}  // namespace

QStringList Machine::subkeyNames(QStringView keyPath) const
{
    return namesInSources(sources_, keyPath, &RegistrySource::subkeyNames);
}

QStringList Machine::valueNames(QStringView keyPath) const
{
    return namesInSources(sources_, keyPath, &RegistrySource::valueNames);
}

}  // namespace shell
