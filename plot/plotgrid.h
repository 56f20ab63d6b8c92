#pragma once
#include "plot/coordinates.h"
#include "plot/span.h"

#include <QColor>
#include <QLineF>

#include <vector>

// The plot's grid in plot coordinates (coordinates.h). The screen and the page
// draw their grid from one table of line families; the page adds one family of
// short ticks. A zoomed view (span.h) moves the upright families with its
// points and keeps the level ones.

// A counted loop of grid lines, `from` to `to` inclusive in steps of `step`:
// horizontal lines at y = position, spanning x = `start`..`end`, or vertical
// ones at x = position, spanning y = `start`..`end`. An axis is one more of
// these.
struct GridFamily
{
    bool horizontal;
    int from, to, step;
    int start, end;
};

// The lines of one family, in loop order. In a zoomed span the positions of a
// vertical family are points, a step of a whole division (kDivisionWidth)
// becoming one division of the span (and the others in proportion), and only
// those within the span are drawn.
std::vector<QLineF> gridLines(const GridFamily &family, const PlotSpan &span = {});

// The plot area's grid, in drawing order: 11 horizontal lines every 500, 11
// vertical lines every 820, and 41 ticks every 125 across the vertical centre
// line x = 4100 (63 lines).
std::vector<QLineF> screenGridLines(const PlotSpan &span = {});

// The printed grid, in drawing order: the screen's horizontal and vertical
// lines, then 51 short ticks across the horizontal centre line, then the 41
// across the vertical one (114 lines).
std::vector<QLineF> printedGridLines(const PlotSpan &span = {});

inline const QColor kGridColour{0, 200, 200};
// The sweep's trace over the grid.
inline const QColor kTraceColour{0, 255, 0};
// What the plot is drawn on, on screen and in zk61ar-dat's pictures.
inline const QColor kPlotBackground{0, 0, 0};
// zk61ar-dat's cursors: A's colour, then B's.
inline const QColor kCursorColours[] = {QColor(255, 255, 0), QColor(255, 0, 255)};

// On paper, which is white: the grid thin in its own colour, the trace darker
// and heavier, so that it stands out on a black-and-white printer too, the
// cursors in darker shades than on screen, the axes and the title in ink.
// Pens in twips.
inline const QColor kPageTraceColour{0, 140, 0};
inline const QColor kPageCursorColours[] = {QColor(200, 130, 0), QColor(170, 0, 170)};
inline const QColor kPageInk{0, 0, 0};
constexpr double kPageGridPen = 6;
constexpr double kPageTracePen = 20;
constexpr double kPageCursorPen = 12;
constexpr double kPageInkPen = 8;

// The viewer's readout cursor, a dotted line over the plot.
inline const QColor kReadoutColour{255, 255, 255};
