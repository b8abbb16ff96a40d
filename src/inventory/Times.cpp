#include "inventory/Times.h"

#include <QDate>
#include <QDateTime>


namespace inventory {

namespace {

constexpr std::int64_t kFileTimePerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::int64_t kLastSecondOf9999 = 253'402'300'799;  // 9999-12-31T23:59:59Z

std::optional<QString> secondsText(std::int64_t seconds)
{
    if (seconds < -kSecondsFrom1601To1970 || seconds > kLastSecondOf9999) return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

}  // namespace

std::optional<QString> unixTimeText(std::int64_t seconds)
{
    if (seconds == 0) return std::nullopt;
    return secondsText(seconds);
}

std::optional<QString> fileTimeText(std::uint64_t fileTime)
{
    if (fileTime == 0) return std::nullopt;
    return secondsText(std::int64_t(fileTime / kFileTimePerSecond) - kSecondsFrom1601To1970);
}

std::optional<QString> compactDateText(const QString& yyyymmdd)
{
    if (yyyymmdd.size() != 8) return std::nullopt;
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        if (!yyyymmdd[i].isDigit() || yyyymmdd[i].unicode() > u'9') return std::nullopt;
        digits[i] = yyyymmdd[i].unicode() - u'0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    if (!QDate::isValid(year, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7])) return std::nullopt;
    QString iso = yyyymmdd;
    iso.insert(6, u'-');
    iso.insert(4, u'-');
    return iso;
}

}  // namespace inventory
