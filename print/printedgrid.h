#pragma once
#include "print/plotgrid.h"

class PrinterPort;

// Draws printedGridLines() on the printer, in order.
void printGrid(PrinterPort &printer);
