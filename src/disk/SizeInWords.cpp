#include "disk/SizeInWords.h"

namespace disk {

QString sizeInWords(std::int64_t bytes)
{
    const char* units[] = {"Bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    QString number = unit == 0 || value >= 100 || value == double(qint64(value)) ? QString::number(qint64(value + 0.5))
                                                                                  : QString::number(value, 'f', 1);
    number.replace(u'.', u',');
    return number + u' ' + QLatin1String(units[unit]);
}

}  // namespace disk
