#include "sysinfo/InfoReport.h"
#include "sysinfo/InfoTabStops.h"

#include <QFont>
#include <QTextLayout>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

// Where the colon of each labelled line starts when the toolkit lays the line
// out with the given tab stops.
std::vector<qreal> colonPositions(const QFont& font, const QTextOption& option)
{
    SystemInfo info;
    std::vector<qreal> positions;
    for (const QString& line : BuildInfoReport(info).split(QStringLiteral("\r\n"))) {
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        if (colon < 0) continue;
        QTextLayout layout(line, font);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine textLine = layout.createLine();
        textLine.setLineWidth(10000);
        layout.endLayout();
        positions.push_back(textLine.cursorToX(int(colon)));
    }
    return positions;
}

}  // namespace

TEST(InfoTabStops, EveryValueStartsInOneColumn)
{
    for (const char* family : {"Tahoma", "DejaVu Sans", "Liberation Serif"}) {
        for (int pixels : {11, 13, 16}) {
            QFont font(QString::fromLatin1(family));
            font.setPixelSize(pixels);
            const QFontMetricsF metrics(font);
            const std::vector<qreal> x = colonPositions(font, infoTextOption(QTextOption(), metrics));
            ASSERT_EQ(x.size(), 24u);
            for (qreal at : x) EXPECT_DOUBLE_EQ(at, x.front()) << family << " " << pixels << " px";
            // Every label keeps at least a few pixels before its colon, and the
            // column is not pushed out as far as the toolkit's default stops would.
            qreal longest = 0;
            for (const QString& label : infoLabelsWithTabs(1) + infoLabelsWithTabs(2))
                longest = std::max(longest, metrics.horizontalAdvance(label));
            EXPECT_GT(x.front() - longest, pixels / 4.0) << family << " " << pixels << " px";
            EXPECT_LT(x.front() - longest, 2.0 * pixels) << family << " " << pixels << " px";
        }
    }
}
