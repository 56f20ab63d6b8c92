#include "plot/plotgrid.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr GridFamily kHorizontal{true, 0, kPlotHeight, kDivisionHeight, 0, kPlotWidth};
constexpr GridFamily kVertical{false, 0, kPlotWidth, kDivisionWidth, 0, kPlotHeight};
// Only the page has these: five per division, straddling y = 2500.
constexpr GridFamily kPageTicks{false, 0, kPlotWidth, kDivisionWidth / 5, 2400, 2600};
// Across x = 4100, on screen and page: four per division.
constexpr GridFamily kCentreTicks{true, 0, kPlotHeight, kDivisionHeight / 4, 4000, 4200};

std::vector<QLineF> joined(std::initializer_list<GridFamily> families, const PlotSpan &span)
{
    std::vector<QLineF> lines;
    for (const GridFamily &family : families) {
        const std::vector<QLineF> more = gridLines(family, span);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}
} // namespace

std::vector<QLineF> gridLines(const GridFamily &f, const PlotSpan &span)
{
    std::vector<QLineF> lines;
    if (f.horizontal) {
        for (int at = f.from; at <= f.to; at += f.step)
            lines.emplace_back(f.start, at, f.end, at);
        return lines;
    }
    const int step = f.step * span.perDivision / kDivisionWidth;
    const double low = std::max(double(f.from), span.first);
    const double high = std::min(double(f.to), span.first + span.points());
    for (int at = f.from + int(std::ceil((low - f.from) / step)) * step; at <= high; at += step) {
        const double x = span.plotX(at);
        lines.emplace_back(x, f.start, x, f.end);
    }
    return lines;
}

std::vector<QLineF> screenGridLines(const PlotSpan &span)
{
    return joined({kHorizontal, kVertical, kCentreTicks}, span);
}

std::vector<QLineF> printedGridLines(const PlotSpan &span)
{
    return joined({kHorizontal, kVertical, kPageTicks, kCentreTicks}, span);
}
