#include "plot/plotgrid.h"

namespace {
constexpr GridFamily kHorizontal{true, 0, kPlotHeight, 500, 0, kPlotWidth};
constexpr GridFamily kVertical{false, 0, kPlotWidth, 820, 0, kPlotHeight};
// Only the page has these: five per division, straddling y = 2500.
constexpr GridFamily kPageTicks{false, 0, kPlotWidth, 164, 2400, 2600};
// Across x = 4100, on screen and page.
constexpr GridFamily kCentreTicks{true, 0, kPlotHeight, 125, 4000, 4200};

std::vector<QLineF> joined(std::initializer_list<GridFamily> families)
{
    std::vector<QLineF> lines;
    for (const GridFamily &family : families) {
        const std::vector<QLineF> more = gridLines(family);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}
} // namespace

std::vector<QLineF> gridLines(const GridFamily &f)
{
    std::vector<QLineF> lines;
    for (int at = f.from; at <= f.to; at += f.step) {
        if (f.horizontal)
            lines.emplace_back(f.start, at, f.end, at);
        else
            lines.emplace_back(at, f.start, at, f.end);
    }
    return lines;
}

std::vector<QLineF> screenGridLines()
{
    return joined({kHorizontal, kVertical, kCentreTicks});
}

std::vector<QLineF> printedGridLines()
{
    return joined({kHorizontal, kVertical, kPageTicks, kCentreTicks});
}
