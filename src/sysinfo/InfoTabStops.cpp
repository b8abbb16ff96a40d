#include "sysinfo/InfoTabStops.h"

#include "sysinfo/InfoReport.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

std::pair<qreal, qreal> widthRange(const QFontMetricsF& metrics, const QStringList& labels)
{
    qreal shortest = 1e9, longest = 0;
    for (const QString& label : labels) {
        const qreal w = metrics.horizontalAdvance(label);
        shortest = std::min(shortest, w);
        longest = std::max(longest, w);
    }
    return {shortest, longest};
}

}  // namespace

InfoTabStops infoTabStops(const QFontMetricsF& metrics)
{
    // A TAB moves to the next stop strictly right of the pen, so the first
    // stop must lie beyond the two-TAB labels and not beyond any one-TAB label.
    const auto [oneShortest, oneLongest] = widthRange(metrics, infoLabelsWithTabs(1));
    const qreal twoLongest = widthRange(metrics, infoLabelsWithTabs(2)).second;

    InfoTabStops stops;
    stops.first = twoLongest < oneShortest ? (twoLongest + oneShortest) / 2 : twoLongest + 1;
    stops.second = std::ceil(oneLongest + metrics.averageCharWidth());
    return stops;
}

QTextOption infoTextOption(QTextOption base, const QFontMetricsF& metrics)
{
    const InfoTabStops stops = infoTabStops(metrics);
    base.setTabs({QTextOption::Tab(stops.first, QTextOption::LeftTab),
                  QTextOption::Tab(stops.second, QTextOption::LeftTab)});
    base.setTabStopDistance(8 * metrics.averageCharWidth());
    return base;
}

void setInfoTabStops(QPlainTextEdit& box)
{
    QTextDocument* document = box.document();
    document->setDefaultTextOption(infoTextOption(document->defaultTextOption(), QFontMetricsF(box.font())));
}
