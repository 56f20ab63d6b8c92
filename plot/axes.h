#pragma once
#include "plot/span.h"

#include <QLineF>
#include <QRectF>
#include <QString>

#include <vector>

// The axes outside the plot: a tick and a label at each grid line, the range's
// millivolts up the left side as the sweep scales codes (0 of a unipolar range
// on the bottom line, 0 of a bipolar one on the centre line), the points of
// the span (or seconds) along the bottom.

// Room for the labels around the plot, in twips: whole pixels at 96 dpi times
// any scale, so that a picture with axes holds the one without them unchanged.
struct Margins
{
    int left, top, right, bottom;
};
inline constexpr Margins kAxisMargins{990, 450, 600, 750};

// Height of the labels' text (9 points).
inline constexpr int kLabelTwips = 180;

struct AxisLabel
{
    QPointF anchor;
    Qt::Alignment alignment;
    QString text;
};

// The range's millivolts at plot y (a height the sweep draws codes at).
int gridMillivolts(int range, int y);

// Short ticks outside the plot: left of each horizontal grid line; below each
// vertical grid line of the span, or with `rate` at each round time
// (timeaxis.h).
std::vector<QLineF> axisTicks(const PlotSpan &span, double rate = 0);

// Millivolts at the 11 horizontal grid lines, top to bottom, then "mV"; then
// the span's points at its vertical grid lines, left to right, then "点"; or
// with `rate` (samples a second, point r at r / rate) round times in a unit
// that fits, then the unit.
std::vector<AxisLabel> axisLabels(int range, const PlotSpan &span, double rate = 0);

// At least the width of `text` in the labels' letters, in twips, for laying
// labels out without a font: a digit, a Latin letter or a sign at most 0.65 of
// the letters' height, a Chinese character its height.
double labelWidth(const QString &text);

// The box in which text drawn with the label's alignment sits at its anchor.
QRectF labelBox(const AxisLabel &label);
