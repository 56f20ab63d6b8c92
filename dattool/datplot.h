#pragma once
#include "files/samplefile.h"

#include <QByteArray>
#include <QImage>
#include <QLineF>

#include <vector>

class QPainter;
class PrinterPort;

// A sample file drawn as the screen's plot area shows a sweep: the screen grid
// on the plot's background over x 0..8200 and y 0..5000 twips, and the trace of
// the 8192 codes (plot/).
namespace datplot {

// The sweep's segments for these codes read in `range` (plot/trace.h).
std::vector<QLineF> traceLines(const samplefile::Records &records, int range);

// Draws background, grid and trace on a painter that works in twips. `penWidth`
// is in the painter's device units when `cosmetic`, otherwise in twips.
void draw(QPainter &painter, const std::vector<QLineF> &trace, double penWidth, bool cosmetic);

// 96 dpi times `scale`: 15 / scale twips to a pixel, aliased as on screen.
QImage image(const std::vector<QLineF> &trace, int scale);
QByteArray png(const std::vector<QLineF> &trace, int scale);
// One page of vectors, the size of the plot.
QByteArray pdf(const std::vector<QLineF> &trace);

// The printed grid and the trace on one page, in the printer's own colour.
// Throws PrintError.
void print(PrinterPort &printer, const std::vector<QLineF> &trace);

} // namespace datplot
