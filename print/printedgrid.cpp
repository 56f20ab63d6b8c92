#include "print/printedgrid.h"

#include "print/printerport.h"

std::vector<QLineF> printedGridLines()
{
    std::vector<QLineF> lines;
    lines.reserve(114);
    for (int y = 0; y <= 5000; y += 500)
        lines.emplace_back(0, y, 8200, y);
    for (int x = 0; x <= 8200; x += 820)
        lines.emplace_back(x, 0, x, 5000);
    // Only the page has these: five per division, straddling y = 2500.
    for (int x = 0; x <= 8200; x += 164)
        lines.emplace_back(x, 2400, x, 2600);
    for (int y = 0; y <= 5000; y += 125)
        lines.emplace_back(4000, y, 4200, y);
    return lines;
}

void printGrid(PrinterPort &printer)
{
    for (const QLineF &l : printedGridLines())
        printer.line(float(l.x1()), float(l.y1()), float(l.x2()), float(l.y2()));
}
