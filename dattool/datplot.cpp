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
constexpr Margins kM = kAxisMargins;
// As on the printed page: a hairline can vanish when the page is rasterised.
constexpr double kPdfPenTwips = 15;
// The cursors' names, above the plot.
constexpr double kCursorNames = -60;

void drawLines(QPainter &painter, QPen pen, const QColor &colour, const std::vector<QLineF> &lines)
{
    pen.setColor(colour);
    painter.setPen(pen);
    painter.drawLines(lines.data(), int(lines.size()));
}

// Whole pixels, as the margins are.
int pixels(int twips, int scale)
{
    return int(twips / twips::kPerPixel) * scale;
}

std::vector<QLineF> shifted(std::vector<QLineF> lines, const QPointF &by)
{
    for (QLineF &line : lines)
        line.translate(by);
    return lines;
}
} // namespace

Figure figure(const samplefile::Records &records, const View &view)
{
    Figure f;
    f.span = view.span;
    f.trace = traceLines(records.data(), records.size(), view.range, view.span);
    f.axes = view.axes;
    if (f.axes) {
        f.ticks = axisTicks(view.span);
        f.labels = axisLabels(view.range, view.span, view.rate);
    }
    const char *const names[] = {"A", "B"};
    int i = 0;
    for (const int point : {view.cursorA, view.cursorB}) {
        // Across the middle of the point's segment.
        QLineF line(point + 0.5, 0, point + 0.5, kHeight);
        if (point > 0 && clippedToSpan(line, view.span)) {
            f.cursors.push_back(line);
            f.cursorNames.push_back(i);
            if (f.axes)
                f.labels.push_back({QPointF(line.x1(), kCursorNames),
                                    Qt::AlignHCenter | Qt::AlignBottom,
                                    QString::fromLatin1(names[i])});
        }
        ++i;
    }
    return f;
}

void drawPlot(QPainter &painter, const Figure &f, double penWidth, bool cosmetic)
{
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), kPlotBackground);
    QPen pen;
    pen.setCosmetic(cosmetic);
    pen.setWidthF(penWidth);
    drawLines(painter, pen, kGridColour, screenGridLines(f.span));
    drawLines(painter, pen, kTraceColour, f.trace);
    for (std::size_t i = 0; i < f.cursors.size(); ++i)
        drawLines(painter, pen, kCursorColours[f.cursorNames[i]], {f.cursors[i]});
}

void drawAxes(QPainter &painter, const Figure &f, double penWidth, bool cosmetic, const QColor &ink)
{
    if (!f.axes)
        return;
    QPen pen(ink);
    pen.setCosmetic(cosmetic);
    pen.setWidthF(penWidth);
    drawLines(painter, pen, ink, f.ticks);
    QFont font = painter.font();
    font.setPixelSize(kLabelTwips);
    painter.setFont(font);
    for (const AxisLabel &label : f.labels)
        painter.drawText(labelBox(label), int(label.alignment), label.text);
}

QImage image(const Figure &f, int scale)
{
    const double perPixel = twips::kPerPixel / scale;
    // The last line, at 8200 (5000), falls in the pixel that holds it.
    QImage plot(int(std::floor(kWidth / perPixel)) + 1, int(std::floor(kHeight / perPixel)) + 1,
                QImage::Format_RGB32);
    plot.fill(kPlotBackground);
    const int dotsPerMetre = qRound(twips::kPerInch / perPixel / 0.0254);
    plot.setDotsPerMeterX(dotsPerMetre);
    plot.setDotsPerMeterY(dotsPerMetre);
    {
        QPainter painter(&plot);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.scale(1 / perPixel, 1 / perPixel);
        drawPlot(painter, f, scale, true);
    }
    if (!f.axes)
        return plot;

    const int left = pixels(kM.left, scale), top = pixels(kM.top, scale);
    QImage framed(left + plot.width() + pixels(kM.right, scale),
                  top + plot.height() + pixels(kM.bottom, scale), QImage::Format_RGB32);
    framed.fill(Qt::white);
    framed.setDotsPerMeterX(dotsPerMetre);
    framed.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&framed);
    painter.drawImage(left, top, plot);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(left, top);
    painter.scale(1 / perPixel, 1 / perPixel);
    drawAxes(painter, f, scale, true, Qt::black);
    return framed;
}

QByteArray png(const Figure &f, int scale)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image(f, scale).save(&buffer, "PNG");
    return bytes;
}

QByteArray pdf(const Figure &f)
{
    const Margins m = f.axes ? kM : Margins{0, 0, 0, 0};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("zk61ar-dat"));
        // Points are 20 twips; at 1440 dpi the painter works in twips.
        writer.setPageSize(
            QPageSize(QSizeF((m.left + kWidth + m.right) / 20, (m.top + kHeight + m.bottom) / 20),
                      QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(int(twips::kPerInch));
        QPainter painter(&writer);
        if (f.axes)
            painter.translate(m.left, m.top);
        drawPlot(painter, f, kPdfPenTwips, false);
        drawAxes(painter, f, kPdfPenTwips, false, Qt::black);
    }
    return bytes;
}

void print(PrinterPort &printer, const Figure &f)
{
    const QPointF origin = f.axes ? QPointF(kM.left, kM.top) : QPointF();
    printLines(printer, shifted(printedGridLines(f.span), origin));
    printLines(printer, shifted(f.trace, origin));
    printLines(printer, shifted(f.cursors, origin));
    printLines(printer, shifted(f.ticks, origin));
    for (const AxisLabel &label : f.labels) {
        const QPointF at = label.anchor + origin;
        printer.text(float(at.x()), float(at.y()), label.alignment, label.text);
    }
    printer.endDoc();
}

} // namespace datplot
