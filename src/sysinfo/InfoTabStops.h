#pragma once

#include <QFontMetricsF>
#include <QTextOption>

class QPlainTextEdit;

// Two tab stops at which every value of the Info report starts in one column:
// the two short labels written with two TABs reach the second stop through
// the first, every other label is longer than the first stop and reaches the
// second with its one TAB. One uniform distance cannot do this with the
// window's font: the longest label is almost twice the shortest.
struct InfoTabStops {
    qreal first = 0;
    qreal second = 0;
};

InfoTabStops infoTabStops(const QFontMetricsF& metrics);

// Text option with those stops; TABs beyond them (inside values) fall back to
// a distance of eight average characters.
QTextOption infoTextOption(QTextOption base, const QFontMetricsF& metrics);

// Sets the stops for the box's current font.
void setInfoTabStops(QPlainTextEdit& box);
