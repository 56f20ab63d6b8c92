#pragma once
#include "plot/plotgrid.h"

class PrinterPort;

// Draws `lines` on the printer, in order.
void printLines(PrinterPort &printer, const std::vector<QLineF> &lines);

// Draws printedGridLines() on the printer, in order.
void printGrid(PrinterPort &printer);
