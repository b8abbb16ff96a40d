#include "registry/InstallationFiles.h"

#include "registry/text/RegistryTree.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace registry {

namespace {

class FolderFiles final : public InstallationFiles {
public:
    explicit FolderFiles(QString root) : root_(std::move(root)) {}

    std::shared_ptr<const Hive> hive(const QString& windowsPath) const override
    {
        QString at = root_;
        for (const QString& name : windowsPathNames(windowsPath)) {
            QString found;
            for (const QString& entry : QDir(at).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
                if (sameName(entry, name)) {
                    found = QDir(at).filePath(entry);
                    break;
                }
            if (found.isNull()) return nullptr;
            at = found;
        }
        if (!QFileInfo(at).isFile()) return nullptr;
        return std::make_shared<const Hive>(at, Hive::Accept::Any);
    }

private:
    QString root_;
};

}  // namespace

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

}  // namespace registry
