#include "disk/containers/SplitRaw.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace disk {

std::optional<QString> firstSegmentOf(const QString& path)
{
    auto exists = [](const QString& file) { return QFileInfo(file).isFile(); };
    static const QRegularExpression numbered(QStringLiteral("^(.*\\.)(\\d{3})$"));
    static const QRegularExpression lettered(QStringLiteral("^(.*[^a-z])([a-z]{2})$"));
    if (const auto m = numbered.match(path); m.hasMatch()) {
        const QString stem = m.captured(1);
        for (const char* first : {"000", "001"}) {
            const QString candidate = stem + QLatin1String(first);
            // A set: the first segment and the one after it.
            const QString second = stem + QStringLiteral("%1").arg(QString::fromLatin1(first).toInt() + 1, 3, 10, QChar(u'0'));
            if (exists(candidate) && exists(second)) return candidate;
        }
        return std::nullopt;
    }
    if (const auto m = lettered.match(path); m.hasMatch()) {
        const QString stem = m.captured(1);
        if (exists(stem + QStringLiteral("aa")) && exists(stem + QStringLiteral("ab"))) return stem + QStringLiteral("aa");
    }
    return std::nullopt;
}

}  // namespace disk
