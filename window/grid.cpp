#include "window/grid.h"

std::vector<QLineF> screenGridLines()
{
    std::vector<QLineF> lines;
    lines.reserve(63);
    for (int y = 0; y <= 5000; y += 500)
        lines.emplace_back(0, y, 8200, y);
    for (int x = 0; x <= 8200; x += 820)
        lines.emplace_back(x, 0, x, 5000);
    for (int y = 0; y <= 5000; y += 125)
        lines.emplace_back(4000, y, 4200, y);
    return lines;
}
