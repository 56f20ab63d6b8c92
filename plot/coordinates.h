#pragma once

// The plot coordinates, screen and page alike: twips from the top-left corner,
// x 0..8200 to the right and y 0..5000 downwards, ten divisions each way. In
// the whole view plot x is the point number, so a division holds 820 points.

constexpr int kPlotWidth = 8200;
constexpr int kPlotHeight = 5000;
constexpr int kDivisions = 10;
constexpr int kDivisionWidth = kPlotWidth / kDivisions;
constexpr int kDivisionHeight = kPlotHeight / kDivisions;
