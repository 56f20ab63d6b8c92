#pragma once
#include <QLineF>

#include <vector>

class PrinterPort;

// The measurement grid as printed, in page coordinates, in drawing order: 11
// horizontal lines, 11 vertical lines, 51 short ticks across the horizontal
// centre line and 41 across the vertical one (114 lines).
std::vector<QLineF> printedGridLines();

void printGrid(PrinterPort &printer);
