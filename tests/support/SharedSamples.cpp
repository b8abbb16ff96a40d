#include "SharedSamples.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

QString sharedSample(const QString& relative)
{
    const QString path = QDir(QStringLiteral(TESSERA_SHARED)).filePath(relative);
    return QFileInfo::exists(path) ? path : QString();
}

QString unpackedSample(const QString& relative, const QString& name)
{
    const QString packed = sharedSample(relative);
    if (packed.isNull()) return {};
    static QTemporaryDir dir;
    const QString out = dir.filePath(name.isEmpty() ? QFileInfo(packed).completeBaseName() : name);
    if (QFileInfo::exists(out)) return out;
    QDir().mkpath(QFileInfo(out).absolutePath());
    QProcess unpack;
    unpack.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("gzip -dc \"$1\" | cp --sparse=always /dev/stdin \"$2\""),
                                        QStringLiteral("sh"), packed, out});
    if (!unpack.waitForFinished(120000) || unpack.exitCode() != 0) return {};
    return out;
}
