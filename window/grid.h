#pragma once
#include <QColor>
#include <QLineF>

#include <vector>

// The plot area's fixed grid, in plot coordinates and drawing order: 11
// horizontal lines every 500, 11 vertical lines every 820, and 41 ticks every
// 125 across the vertical centre line x = 4100 (63 lines).
std::vector<QLineF> screenGridLines();

inline const QColor kGridColour{0, 200, 200};
