#include "print/plotgrid.h"

namespace {
// A counted loop of lines, `from` to `to` inclusive: horizontal lines at
// y = position spanning x = `start`..`end`, or vertical ones at x = position.
struct Family
{
    bool horizontal;
    int from, to, step;
    int start, end;
    bool onScreen;
};

constexpr Family kFamilies[] = {
    {true, 0, 5000, 500, 0, 8200, true},
    {false, 0, 8200, 820, 0, 5000, true},
    // Only the page has these: five per division, straddling y = 2500.
    {false, 0, 8200, 164, 2400, 2600, false},
    {true, 0, 5000, 125, 4000, 4200, true},
};

std::vector<QLineF> gridLines(bool screen)
{
    std::vector<QLineF> lines;
    for (const Family &f : kFamilies) {
        if (screen && !f.onScreen)
            continue;
        for (int at = f.from; at <= f.to; at += f.step) {
            if (f.horizontal)
                lines.emplace_back(f.start, at, f.end, at);
            else
                lines.emplace_back(at, f.start, at, f.end);
        }
    }
    return lines;
}
} // namespace

std::vector<QLineF> screenGridLines()
{
    return gridLines(true);
}

std::vector<QLineF> printedGridLines()
{
    return gridLines(false);
}
