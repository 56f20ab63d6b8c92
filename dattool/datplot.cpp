#include "dattool/datplot.h"

#include "dattool/plottitle.h"
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
// The title's lines, from the picture's left edge and top: whole pixels.
constexpr double kTitleIndent = 75;
constexpr int kTitleTop = 120;
constexpr int kTitleLine = 240;
constexpr double kTitleWidth = kM.left + kWidth + kM.right - 2 * kTitleIndent;

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

// `text` in lines no wider than the title, broken where `gap` (or more
// spaces) parts it, and a part still too wide where two spaces part its
// figures.
QStringList wrapped(const QString &text, const QString &gap = QStringLiteral("    "))
{
    QStringList lines;
    QString line, separator;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf(gap, at);
        if (end < 0)
            end = text.size();
        qsizetype next = end;
        while (next < text.size() && text.at(next) == QLatin1Char(' '))
            ++next;
        const QString part = text.mid(at, end - at);
        if (!line.isEmpty() && labelWidth(line + separator + part) > kTitleWidth) {
            lines << line;
            line.clear();
        }
        if (line.isEmpty() && labelWidth(part) > kTitleWidth && gap.size() > 2) {
            const QStringList pieces = wrapped(part, QStringLiteral("  "));
            lines << pieces.mid(0, pieces.size() - 1);
            line = pieces.last();
        } else {
            line += (line.isEmpty() ? QString() : separator) + part;
        }
        separator = text.mid(end, next - end);
        at = next;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}
} // namespace

Figure figure(const samplefile::Records &records, const View &view)
{
    Figure f;
    f.span = view.span;
    f.trace = view.asSweep
                  ? sweepTraceLines(records.data(), records.size(), view.range, view.span)
                  : vertexTraceLines(records.data(), records.size(), view.range, view.span);
    f.axes = view.axes;
    if (f.axes) {
        f.ticks = axisTicks(view.span, view.rate);
        f.labels = axisLabels(view.range, view.span, view.rate);
    }
    const char *const names[] = {"A", "B"};
    int i = 0;
    for (const int point : {view.cursorA, view.cursorB}) {
        QLineF line(point, 0, point, kHeight);
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
    if (f.axes && !view.name.isEmpty()) {
        QStringList lines;
        for (const QString &text : plottitle::lines(view.name, records, view.range, view.rate,
                                                    view.cursorA, view.cursorB))
            lines << wrapped(text);
        f.titleHeight = kTitleTop + int(lines.size()) * kTitleLine;
        double y = -kM.top - f.titleHeight + kTitleTop;
        for (const QString &line : std::as_const(lines)) {
            f.title.push_back(
                {QPointF(kTitleIndent - kM.left, y), Qt::AlignLeft | Qt::AlignTop, line});
            y += kTitleLine;
        }
    }
    return f;
}

Margins margins(const Figure &f)
{
    return f.axes ? Margins{kM.left, kM.top + f.titleHeight, kM.right, kM.bottom}
                  : Margins{0, 0, 0, 0};
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

namespace {
void drawTexts(QPainter &painter, const std::vector<AxisLabel> &labels)
{
    QFont font = painter.font();
    font.setPixelSize(kLabelTwips);
    painter.setFont(font);
    for (const AxisLabel &label : labels)
        painter.drawText(labelBox(label), int(label.alignment), label.text);
}
} // namespace

void drawAxes(QPainter &painter, const Figure &f, double penWidth, bool cosmetic, const QColor &ink)
{
    if (!f.axes)
        return;
    QPen pen(ink);
    pen.setCosmetic(cosmetic);
    pen.setWidthF(penWidth);
    drawLines(painter, pen, ink, f.ticks);
    drawTexts(painter, f.labels);
}

void drawTitle(QPainter &painter, const Figure &f, const QColor &ink)
{
    if (f.title.empty())
        return;
    painter.setPen(ink);
    drawTexts(painter, f.title);
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

    const Margins m = margins(f);
    const int left = pixels(m.left, scale), top = pixels(m.top, scale);
    QImage framed(left + plot.width() + pixels(m.right, scale),
                  top + plot.height() + pixels(m.bottom, scale), QImage::Format_RGB32);
    framed.fill(Qt::white);
    framed.setDotsPerMeterX(dotsPerMetre);
    framed.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&framed);
    painter.drawImage(left, top, plot);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(left, top);
    painter.scale(1 / perPixel, 1 / perPixel);
    drawAxes(painter, f, scale, true, Qt::black);
    drawTitle(painter, f, Qt::black);
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
    const Margins m = margins(f);
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
        drawTitle(painter, f, Qt::black);
    }
    return bytes;
}

void print(PrinterPort &printer, const Figure &f)
{
    const Margins m = margins(f);
    const QSizeF framed(m.left + kWidth + m.right, m.top + kHeight + m.bottom);
    const QSizeF page = printer.pageSize();
    const double scale =
        page.isEmpty() ? 1
                       : std::min(page.width() / framed.width(), page.height() / framed.height());
    const auto placed = [&](std::vector<QLineF> lines) {
        for (QLineF &line : lines)
            line = QLineF((line.p1() + QPointF(m.left, m.top)) * scale,
                          (line.p2() + QPointF(m.left, m.top)) * scale);
        return lines;
    };
    printer.pen(kGridColour, float(kPageGridPen));
    printLines(printer, placed(printedGridLines(f.span)));
    printer.pen(kPageTraceColour, float(kPageTracePen));
    printLines(printer, placed(f.trace));
    for (std::size_t i = 0; i < f.cursors.size(); ++i) {
        printer.pen(kPageCursorColours[f.cursorNames[i]], float(kPageCursorPen));
        printLines(printer, placed({f.cursors[i]}));
    }
    printer.pen(kPageInk, float(kPageInkPen));
    printLines(printer, placed(f.ticks));
    for (const std::vector<AxisLabel> *texts : {&f.labels, &f.title})
        for (const AxisLabel &label : *texts) {
            const QPointF at = (label.anchor + QPointF(m.left, m.top)) * scale;
            printer.text(float(at.x()), float(at.y()), label.alignment, label.text);
        }
    printer.endDoc();
}

} // namespace datplot
