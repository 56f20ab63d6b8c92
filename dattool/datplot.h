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

// A sample file drawn on the screen's grid on the plot's background over
// x 0..8200 and y 0..5000 twips, with the trace of the 8192 codes (plot/):
// as the window's sweep draws it, or as a measurement, each point's vertex at
// its own x; zoomed to a span of points, with the viewer's cursors, labelled
// axes and a title above them when asked.
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
    // The picture of the window's plot area, drawn by the sweep's rule.
    bool asSweep = false;
    // With the axes, a title above them: this name, the range and the figures.
    QString name;
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
    // Above the axes' margin, left-aligned lines of at most the figure's width;
    // not drawn on screen, where the window shows the same text.
    std::vector<AxisLabel> title;
    int titleHeight = 0;
};
Figure figure(const samplefile::Records &records, const View &view);

// Around the plot: none; with axes the axes' margins, the title's room above.
Margins margins(const Figure &figure);

// On a painter that works in plot twips: the background, grid, trace and
// cursors; then the axes, in `ink`; then the title. `penWidth` is in the
// painter's device units when `cosmetic`, otherwise in twips.
void drawPlot(QPainter &painter, const Figure &figure, double penWidth, bool cosmetic);
void drawAxes(QPainter &painter, const Figure &figure, double penWidth, bool cosmetic,
              const QColor &ink);
void drawTitle(QPainter &painter, const Figure &figure, const QColor &ink);

// 96 dpi times `scale`: 15 / scale twips to a pixel, aliased as on screen. The
// plot alone, or with axes the same plot in white margins.
QImage image(const Figure &figure, int scale);
QByteArray png(const Figure &figure, int scale);
// One page of vectors, the size of the plot (and its margins).
QByteArray pdf(const Figure &figure);

// The printed grid and the rest of the figure on one page in the page's
// colours and pens (plot/plotgrid.h), with its margins and title, scaled to
// fill the printable width (or height, whichever is reached first). Throws
// PrintError.
void print(PrinterPort &printer, const Figure &figure);

} // namespace datplot
