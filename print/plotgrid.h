#pragma once
#include <QColor>
#include <QLineF>

#include <vector>

// The measurement grid in plot coordinates (twips, x 0..8200 to the right, y
// 0..5000 downwards), screen and page alike. Both are drawn from one table of
// line families; the page adds one family of short ticks.

// The plot area's grid, in drawing order: 11 horizontal lines every 500, 11
// vertical lines every 820, and 41 ticks every 125 across the vertical centre
// line x = 4100 (63 lines).
std::vector<QLineF> screenGridLines();

// The printed grid, in drawing order: the screen's horizontal and vertical
// lines, then 51 short ticks across the horizontal centre line, then the 41
// across the vertical one (114 lines).
std::vector<QLineF> printedGridLines();

inline const QColor kGridColour{0, 200, 200};
// The sweep's trace over the grid.
inline const QColor kTraceColour{0, 255, 0};
