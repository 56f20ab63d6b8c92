#include "dattool/datplot.h"

#include "plot/plotgrid.h"
#include "plot/trace.h"
#include "plot/twips.h"
#include "print/printedgrid.h"
#include "print/printerport.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace datplot {

namespace {
constexpr double kWidth = kPlotWidth;
constexpr double kHeight = kPlotHeight;
// As on the printed page: a hairline can vanish when the page is rasterised.
constexpr double kPdfPenTwips = 15;

void drawLines(QPainter &painter, QPen pen, const QColor &colour, const std::vector<QLineF> &lines)
{
    pen.setColor(colour);
    painter.setPen(pen);
    painter.drawLines(lines.data(), int(lines.size()));
}
} // namespace

std::vector<QLineF> traceLines(const samplefile::Records &records, int range)
{
    return ::traceLines(records.data(), records.size(), range);
}

void draw(QPainter &painter, const std::vector<QLineF> &trace, double penWidth, bool cosmetic)
{
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), kPlotBackground);
    QPen pen;
    pen.setCosmetic(cosmetic);
    pen.setWidthF(penWidth);
    drawLines(painter, pen, kGridColour, screenGridLines());
    drawLines(painter, pen, kTraceColour, trace);
}

QImage image(const std::vector<QLineF> &trace, int scale)
{
    const double perPixel = twips::kPerPixel / scale;
    // The last line, at 8200 (5000), falls in the pixel that holds it.
    QImage picture(int(std::floor(kWidth / perPixel)) + 1, int(std::floor(kHeight / perPixel)) + 1,
                   QImage::Format_RGB32);
    picture.fill(kPlotBackground);
    const int dotsPerMetre = qRound(twips::kPerInch / perPixel / 0.0254);
    picture.setDotsPerMeterX(dotsPerMetre);
    picture.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.scale(1 / perPixel, 1 / perPixel);
    draw(painter, trace, scale, true);
    return picture;
}

QByteArray png(const std::vector<QLineF> &trace, int scale)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image(trace, scale).save(&buffer, "PNG");
    return bytes;
}

QByteArray pdf(const std::vector<QLineF> &trace)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("zk61ar-dat"));
        // Points are 20 twips; at 1440 dpi the painter works in twips.
        writer.setPageSize(QPageSize(QSizeF(kWidth / 20, kHeight / 20), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(int(twips::kPerInch));
        QPainter painter(&writer);
        draw(painter, trace, kPdfPenTwips, false);
    }
    return bytes;
}

void print(PrinterPort &printer, const std::vector<QLineF> &trace)
{
    printGrid(printer);
    printLines(printer, trace);
    printer.endDoc();
}

} // namespace datplot
