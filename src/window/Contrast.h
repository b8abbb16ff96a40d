#pragma once

#include <QColor>

// Text must stand out from its background at least this much (WCAG 2, level AA
// for normal text).
inline constexpr double kMinimumContrast = 4.5;

// The WCAG 2 contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
