#include "app/MachineCaption.h"

#include "registry/ImageSource.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// The caption's part after "Tessera – ", with each source as `name` gives it.
template <class Name>
QString shownInWords(const QStringList& named, const shell::Machine& shown, Name name)
{
    QStringList parts;
    for (const QString& source : named) {
        // A disk, or a virtual machine's folder or configuration, named without its partition.
        const auto image = registry::imageNamed(source);
        const QString named = image ? image->image : source;
        parts << name(named);
        // The partition the installation was found on, as the sources read tell it.
        const auto read = std::find_if(shown.described().begin(), shown.described().end(),
                                       [&](const shell::SourceDescription& d) { return d.image == named; });
        if (read != shown.described().end() && read->partition > 0)
            parts << QStringLiteral("Partition %1").arg(read->partition);
    }
    if (const auto product = shown.product()) parts << product->inWords();
    QString words = parts.join(QStringLiteral(", "));
    const bool older = std::any_of(shown.described().begin(), shown.described().end(),
                                   [](const shell::SourceDescription& d) { return !d.upToDate; });
    if (older) words += QStringLiteral(" (älterer Stand)");
    return words;
}

QString fullPath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// The last name of the full path ("/" stays itself).
QString fileName(const QString& path)
{
    const QString full = fullPath(path);
    const QString name = QFileInfo(full).fileName();
    return name.isEmpty() ? full : name;
}

}  // namespace

QString machineCaption(const QStringList& named, const shell::Machine& shown)
{
    if (named.isEmpty()) return QStringLiteral("Tessera");
    return QStringLiteral("Tessera \u2013 ") + shownInWords(named, shown, fileName);
}

QString machineDescription(const QStringList& named, const shell::Machine& shown)
{
    if (named.isEmpty()) return {};
    return shownInWords(named, shown, fullPath);
}
