#include "RegistryFile.h"

#include <QFile>
#include <QThread>

RegistryFile::RegistryFile(const QString& body)
{
    rewrite(body);
    qputenv("TESSERA_REGISTRY", QFile::encodeName(path()));
}

RegistryFile::~RegistryFile()
{
    qunsetenv("TESSERA_REGISTRY");
}

QString RegistryFile::path() const
{
    return dir_.filePath(QStringLiteral("system.reg"));
}

void RegistryFile::rewrite(const QString& body)
{
    QFile file(path());
    const bool existed = file.exists();
    if (existed)
        QThread::msleep(20);  // a new modification time, whatever the filesystem's resolution
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write((QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + body).toUtf8());
}
