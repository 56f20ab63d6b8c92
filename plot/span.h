#pragma once
#include "plot/coordinates.h"

#include <QLineF>

// The points a plot shows. In the whole view plot x is the point number (the
// sweep draws point r over x = r..r + 1, zk61ar-dat point p at x = p:
// trace.h). A zoomed view spreads fewer points over the same 8200 twips,
// `perDivision` to each of the ten divisions, from point `first` at the left
// edge; the vertical scale never changes.
struct PlotSpan
{
    double first = 0;
    int perDivision = kDivisionWidth;

    int points() const { return kDivisions * perDivision; }
    // Where `point` (a plot x of the whole view) lies in this view, and back.
    double plotX(double point) const;
    double pointAt(double plotX) const;

    bool operator==(const PlotSpan &other) const
    {
        return first == other.first && perDivision == other.perDivision;
    }
};

// Points a division, from the whole view in: each zoom step goes one along.
// Every one is a multiple of 5, so the page's five ticks a division fall on
// whole points.
inline constexpr int kZoomSteps[] = {kDivisionWidth, 500, 200, 100, 50, 20, 10, 5};

// `steps` along kZoomSteps (positive: in) around plot x `anchor`: the point at
// the anchor stays there unless the view would pass an end of the whole view.
PlotSpan zoomed(const PlotSpan &span, int steps, double anchor);

// Moved by `points` (positive: later points), kept within the whole view.
PlotSpan panned(const PlotSpan &span, double points);

// Moved as little as shows `point` (a plot x of the whole view), a point's
// room short of the edge it passed; kept within the whole view.
PlotSpan showing(const PlotSpan &span, double point);

// `line`, given in the whole view's x and drawn left to right (or upright), in
// this view's, its part outside the plot (x < 0 or x > 8200) cut off. False
// when nothing of it is inside.
bool clippedToSpan(QLineF &line, const PlotSpan &span);
