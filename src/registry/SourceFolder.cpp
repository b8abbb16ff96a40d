#include "registry/SourceFolder.h"

#include "disk/machines/NamedFile.h"
#include "registry/text/RegistryTree.h"
#include "runtime/RuntimeError.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <initializer_list>

namespace registry {

namespace ErrorNumber = runtime::ErrorNumber;
using runtime::RuntimeError;

namespace {

// The entry of `folder` named `name` in any case, or a null string. A folder
// the user may not open is told as such, not as one without an installation.
QString entryIn(const QString& folder, QStringView name, bool wantFolder)
{
    if (folder.isNull()) return {};
    disk::checkNamedFile(folder);
    const QDir dir(folder);
    const auto filter = (wantFolder ? QDir::Dirs : QDir::Files) | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString& entry : dir.entryList(filter))
        if (sameName(entry, name)) return dir.filePath(entry);
    return {};
}

QString folderPath(const QString& from, std::initializer_list<QStringView> names)
{
    QString at = from;
    for (QStringView name : names) at = entryIn(at, name, true);
    return at;
}

QStringList hivesIn(const QString& config)
{
    QStringList files;
    for (QStringView name : {QStringView(u"SYSTEM"), QStringView(u"SOFTWARE")})
        if (const QString file = entryIn(config, name, false); !file.isNull()) files << file;
    return files;
}

}  // namespace

QStringList registryFilesIn(const QString& folder)
{
    const QString configs[] = {
        folderPath(folder, {u"Windows", u"System32", u"config"}),
        folderPath(folder, {u"WINNT", u"system32", u"config"}),
        folderPath(folder, {u"System32", u"config"}),
        folder,
    };
    for (const QString& config : configs)
        if (const QStringList hives = hivesIn(config); !hives.isEmpty()) return hives;
    if (const QString wine = entryIn(folder, u"system.reg", false); !wine.isNull()) return {wine};
    folderHoldsNothing(folder);
}

std::optional<QString> installationRootOf(const QString& hiveFile)
{
    QDir at = QFileInfo(hiveFile).absoluteDir();
    for (const auto& names : {std::initializer_list<QStringView>{u"config"}, {u"System32"}, {u"Windows", u"WINNT"}}) {
        const QString name = at.dirName();
        if (std::none_of(names.begin(), names.end(), [&](QStringView n) { return sameName(name, n); }))
            return std::nullopt;
        if (!at.cdUp()) return std::nullopt;
    }
    return at.absolutePath();
}

void folderHoldsNothing(const QString& folder)
{
    throw RuntimeError(
        ErrorNumber::FileNotFound,
        QStringLiteral("Ordner \u201E%1\u201C enthält keine Windows-Installation, kein Wine-Präfix und keine virtuelle "
                       "Maschine: gesucht wurden die Dateien SYSTEM und SOFTWARE in Windows\\System32\\config, "
                       "WINNT\\system32\\config, System32\\config oder im Ordner selbst, system.reg, eine .vbox- "
                       "oder .vmx-Datei und Datenträger (.vhdx, .avhdx, .vhd, .vdi, .vmdk, .qcow2), auch in "
                       "\u201EVirtual Hard Disks\u201C")
            .arg(folder));
}

}  // namespace registry
