#include "RegistryFile.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

void useRegistry(const QStringList& files)
{
    QByteArray value;
    for (const QString& file : files) value += (value.isEmpty() ? "" : ":") + QFile::encodeName(file);
    if (files.isEmpty())
        qunsetenv("TESSERA_REGISTRY");
    else
        qputenv("TESSERA_REGISTRY", value);
}

QString fixture(const QString& relativePath)
{
    return QStringLiteral(TESSERA_FIXTURES "/") + relativePath;
}

namespace {

QByteArray export5(const QString& body)
{
    return (QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + body).toUtf8();
}

}  // namespace

RegistryFile::RegistryFile(const QString& body) : RegistryFile(export5(body)) {}

RegistryFile::RegistryFile(const QByteArray& bytes)
{
    write(bytes);
    useRegistry({path()});
}

RegistryFile::~RegistryFile()
{
    useRegistry({});
}

QString RegistryFile::path() const
{
    return dir_.filePath(QStringLiteral("system.reg"));
}

void RegistryFile::rewrite(const QString& body)
{
    write(export5(body));
}

void RegistryFile::write(const QByteArray& bytes)
{
    QFile file(path());
    if (file.exists())
        QThread::msleep(20);  // a new modification time, whatever the filesystem's resolution
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path());
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void unsetReportVariables()
{
    for (const char* name : {"NUMBER_OF_PROCESSORS", "PROCESSOR_LEVEL", "PROCESSOR_REVISION", "PROCESSOR_ARCHITECTURE",
                             "PROCESSOR_IDENTIFIER", "OS", "COMSPEC", "HOMEDRIVE", "PATHEXT", "SYSTEMDRIVE",
                             "SYSTEMROOT", "WINDIR", "TEMP"})
        qunsetenv(name);
}
