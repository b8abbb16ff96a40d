#pragma once

#include <QString>
#include <QTemporaryDir>

// A registry export written for one test, pointed at by TESSERA_REGISTRY while
// the object lives. Body lines follow the header line.
class RegistryFile {
public:
    explicit RegistryFile(const QString& body);
    ~RegistryFile();
    void rewrite(const QString& body);  // the file changes under the program
    QString path() const;

private:
    QTemporaryDir dir_;
};
