#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The one way tests point the program at a registry: TESSERA_REGISTRY names
// these files, earlier winning; an empty list unsets it, so the program reads
// this machine's own layers again.
void useRegistry(const QStringList& files);

// Unsets the process variables the Info report reads (NUMBER_OF_PROCESSORS,
// OS, TEMP, ...), so that nothing of this machine's environment reaches it.
void unsetReportVariables();

// A committed fixture: fixture("shell/first.reg").
QString fixture(const QString& relativePath);

// A registry file written for one test and pointed at while the object lives.
class RegistryFile {
public:
    // An export: the "Windows Registry Editor Version 5.00" line, then the body.
    explicit RegistryFile(const QString& body);
    // Exactly these bytes, for files no exporter would write.
    explicit RegistryFile(const QByteArray& bytes);
    ~RegistryFile();
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    // The file changes under the running program (with a new modification time).
    void rewrite(const QString& body);
    void write(const QByteArray& bytes);
    QString path() const;

private:
    QTemporaryDir dir_;
};
