#pragma once
#include "files/samplefile.h"
#include "plot/axes.h"
#include "plot/span.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLineF>

#include <vector>

class QPainter;
class PrinterPort;

// A sample file drawn as the screen's plot area shows a sweep: the screen grid
// on the plot's background over x 0..8200 and y 0..5000 twips, and the trace of
// the 8192 codes (plot/); zoomed to a span of points, with the viewer's cursors
// and labelled axes around it when asked.
namespace datplot {

// What is shown of a file.
struct View
{
    int range = 0;
    PlotSpan span;
    double rate = 0; // samples a second; 0: the axes count points
    int cursorA = 0; // points, 0 for none
    int cursorB = 0;
    bool axes = false;
};

// A view drawn: all in plot twips, the margins at negative x and y and past
// 8200 and 5000.
struct Figure
{
    PlotSpan span;
    std::vector<QLineF> trace;
    std::vector<QLineF> cursors;  // A's line, then B's, those in the span
    std::vector<int> cursorNames; // of each line: 0 for A, 1 for B
    bool axes = false;
    std::vector<QLineF> ticks;
    std::vector<AxisLabel> labels; // the axes', then the cursors' names
};
Figure figure(const samplefile::Records &records, const View &view);

// On a painter that works in plot twips: the background, grid, trace and
// cursors; then the axes, in `ink`. `penWidth` is in the painter's device
// units when `cosmetic`, otherwise in twips.
void drawPlot(QPainter &painter, const Figure &figure, double penWidth, bool cosmetic);
void drawAxes(QPainter &painter, const Figure &figure, double penWidth, bool cosmetic,
              const QColor &ink);

// 96 dpi times `scale`: 15 / scale twips to a pixel, aliased as on screen. The
// plot alone, or with axes the same plot in white margins.
QImage image(const Figure &figure, int scale);
QByteArray png(const Figure &figure, int scale);
// One page of vectors, the size of the plot (and its margins).
QByteArray pdf(const Figure &figure);

// The printed grid and the rest of the figure on one page, in the printer's
// own colour; with axes, the margins from the page's top-left corner. Throws
// PrintError.
void print(PrinterPort &printer, const Figure &figure);

} // namespace datplot
