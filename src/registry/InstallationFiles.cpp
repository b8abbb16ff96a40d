#include "registry/InstallationFiles.h"

#include "disk/FileBytes.h"
#include "registry/hive/Hive.h"
#include "registry/text/RegistryText.h"
#include "registry/text/RegistryTree.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace registry {

namespace {

// The file at `names` below `root`, each name matched without regard to case
// ("." and ".." match nothing); empty when there is none.
QString fileBelow(const QString& root, const QStringList& names)
{
    QString at = root;
    for (const QString& name : names) {
        QString found;
        for (const QString& entry :
             QDir(at).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (sameName(entry, name)) {
                found = QDir(at).filePath(entry);
                break;
            }
        if (found.isNull()) return {};
        at = found;
    }
    return QFileInfo(at).isFile() ? at : QString();
}

class FolderFiles : public InstallationFiles {
public:
    explicit FolderFiles(QString root) : root_(std::move(root)) {}

    std::shared_ptr<const RegistrySource> hive(const QString& windowsPath) const override
    {
        const QString file = fileBelow(root_, windowsPathNames(windowsPath));
        if (file.isEmpty()) return nullptr;
        return std::make_shared<const Hive>(file, Hive::Accept::Any);
    }

protected:
    QString root_;
};

// A Wine prefix: drive_c is its C:, and its one user's registry is user.reg,
// whose keys are "relative to \User\<SID>".
class WinePrefixFiles final : public FolderFiles {
public:
    explicit WinePrefixFiles(QString prefix) : FolderFiles(QDir(prefix).filePath(QStringLiteral("drive_c"))), prefix_(std::move(prefix)) {}

    std::shared_ptr<const RegistrySource> userHive(const QString& sid, const QString& profile) const override
    {
        const QString file = fileBelow(prefix_, {QStringLiteral("user.reg")});
        if (file.isEmpty()) return FolderFiles::userHive(sid, profile);
        static const QRegularExpression relative(QStringLiteral("^;; All keys relative to \\\\{1,2}User\\\\{1,2}(\\S+)"),
                                                 QRegularExpression::MultilineOption);
        const QString head = QString::fromUtf8(disk::fileHead(file, 4096));
        const auto match = relative.match(head);
        if (!match.hasMatch() || match.captured(1).compare(sid, Qt::CaseInsensitive) != 0) return nullptr;
        return readRegistryFile(file);
    }

private:
    QString prefix_;
};

}  // namespace

std::shared_ptr<const RegistrySource> InstallationFiles::userHive(const QString&, const QString& profile) const
{
    return hive(profile + QStringLiteral("\\NTUSER.DAT"));
}

QStringList windowsPathNames(const QString& windowsPath)
{
    QString path = windowsPath;
    if (path.size() >= 2 && path[1] == u':') path = path.mid(2);
    return path.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
}

std::shared_ptr<const InstallationFiles> folderInstallation(const QString& root)
{
    return std::make_shared<FolderFiles>(root);
}

std::shared_ptr<const InstallationFiles> winePrefixInstallation(const QString& prefix)
{
    return std::make_shared<WinePrefixFiles>(prefix);
}

}  // namespace registry
