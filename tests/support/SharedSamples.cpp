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
    const QString unpacker = packed.endsWith(QLatin1String(".xz")) ? QStringLiteral("xz") : QStringLiteral("gzip");
    unpack.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("\"$1\" -dc \"$2\" | cp --sparse=always /dev/stdin \"$3\""),
                                        QStringLiteral("sh"), unpacker, packed, out});
    if (!unpack.waitForFinished(120000) || unpack.exitCode() != 0) return {};
    return out;
}
