#include "print/printedgrid.h"

#include "print/printerport.h"

void printGrid(PrinterPort &printer)
{
    for (const QLineF &l : printedGridLines())
        printer.line(float(l.x1()), float(l.y1()), float(l.x2()), float(l.y2()));
}
