#include "print/printedgrid.h"

#include "print/printerport.h"

void printLines(PrinterPort &printer, const std::vector<QLineF> &lines)
{
    for (const QLineF &l : lines)
        printer.line(float(l.x1()), float(l.y1()), float(l.x2()), float(l.y2()));
}

void printGrid(PrinterPort &printer)
{
    printLines(printer, printedGridLines());
}
