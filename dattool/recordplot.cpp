#include "dattool/recordplot.h"

#include "print/printedgrid.h"
#include "print/printerport.h"
#include "readings/inputrange.h"
#include "readings/rangetext.h"
#include "plot/lane.h"
#include "plot/plotgrid.h"
#include "plot/timeaxis.h"
#include "plot/twips.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace recordplot {

namespace {
constexpr int kLaneDivisions = 4;
// Time labels at least this far apart, in pixels at scale 1.
constexpr double kLabelGap = 40;
constexpr int kLabelPixels = 12;
constexpr int kTickLength = 5;
constexpr double kNsPerSecond = 1e9;

Margins marginsOf(const Chart &chart)
{
    const Margins m = chart.axes ? kAxisMargins : Margins{0, 0, 0, 0};
    return {m.left * chart.scale, m.top * chart.scale, m.right * chart.scale,
            m.bottom * chart.scale};
}

QString text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QString rangeText(int range)
{
    const std::string_view name = rangetext::name(range);
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// The millivolts at the top, the middle and the bottom of a lane.
std::vector<int> laneMillivolts(int range)
{
    const int full = inputrange::fullScaleMillivolts(range);
    const int bottom = inputrange::isBipolar(range) ? -full / 2 : 0;
    return {bottom + full, bottom + full / 2, bottom};
}

// The labels' letters are kLabelPixels high at scale 1, as axes.h's are
// kLabelTwips: their widths scale alike.
double labelPixels(const QString &label, int scale)
{
    return labelWidth(label) * kLabelPixels / kLabelTwips * scale;
}
} // namespace

std::vector<int> lanesOf(const logformat::Recording &recording, const Chart &chart)
{
    if (!chart.lanes.empty())
        return chart.lanes;
    std::vector<int> all(std::size_t(recording.channels()));
    for (int c = 0; c < recording.channels(); ++c)
        all[std::size_t(c)] = c;
    return all;
}

QRectF laneBox(const Chart &chart, int lane)
{
    const Margins m = marginsOf(chart);
    const int s = chart.scale;
    return QRectF(m.left, m.top + lane * (chart.laneHeight + kLaneGap) * s, chart.plotWidth * s,
                  chart.laneHeight * s);
}

QSize pictureSize(const logformat::Recording &recording, const Chart &chart)
{
    const Margins m = marginsOf(chart);
    const int lanes = std::max<int>(1, int(lanesOf(recording, chart).size()));
    return QSize(m.left + chart.plotWidth * chart.scale + m.right,
                 m.top + (lanes * chart.laneHeight + (lanes - 1) * kLaneGap) * chart.scale +
                     m.bottom);
}

Sheet sheet(const logformat::Recording &recording, const Chart &chart)
{
    Sheet out;
    const int s = chart.scale;
    out.size = pictureSize(recording, chart);
    out.scale = s;
    const std::vector<int> lanes = lanesOf(recording, chart);
    const double width = chart.plotWidth * s;
    const std::int64_t spanNs = std::max<std::int64_t>(1, chart.span.endNs - chart.span.firstNs);
    const double perNs = width / double(spanNs);
    const TimeTicks ticks = timeTicks(
        double(chart.span.firstNs) / kNsPerSecond, double(chart.span.endNs) / kNsPerSecond, width,
        [s](const QString &label) { return labelPixels(label, s); }, kLabelGap * s);
    const auto xOf = [&](double seconds) {
        return std::floor((seconds * kNsPerSecond - double(chart.span.firstNs)) * perNs);
    };
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        const QRectF box = laneBox(chart, int(lane));
        const int column = lanes[lane];
        out.lanes.push_back(box);
        for (int d = 0; d <= kLaneDivisions; ++d) {
            const double y = box.top() + (box.height() - 1) * d / kLaneDivisions;
            out.grid.emplace_back(box.left(), y, box.right() - 1, y);
        }
        out.grid.emplace_back(box.left(), box.top(), box.left(), box.bottom() - 1);
        out.grid.emplace_back(box.right() - 1, box.top(), box.right() - 1, box.bottom() - 1);
        for (const TimeTick &tick : ticks.ticks) {
            const double x = box.left() + xOf(tick.seconds);
            out.grid.emplace_back(x, box.top(), x, box.bottom() - 1);
        }
        const std::vector<QLineF> trace =
            laneLines(recording, column, recording.heading().channels[std::size_t(column)].range,
                      chart.span, box);
        out.trace.insert(out.trace.end(), trace.begin(), trace.end());
        for (int c = 0; c < 2; ++c) {
            const std::int64_t at = chart.cursors[c];
            if (at == kNoCursor || at < chart.span.firstNs || at >= chart.span.endNs)
                continue;
            const double x = box.left() + std::floor(double(at - chart.span.firstNs) * perNs);
            out.cursors[c].emplace_back(x, box.top(), x, box.bottom() - 1);
        }
    }
    if (!chart.axes || lanes.empty())
        return out;

    const QRectF top = out.lanes.front(), bottom = out.lanes.back();
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        const QRectF box = out.lanes[lane];
        const logformat::ChannelRange &channel =
            recording.heading().channels[std::size_t(lanes[lane])];
        const std::vector<int> mV = laneMillivolts(channel.range);
        for (std::size_t i = 0; i < mV.size(); ++i) {
            const double y = box.top() + (box.height() - 1) * double(i) / 2;
            out.ticks.emplace_back(box.left() - kTickLength * s, y, box.left() - 1, y);
            out.labels.push_back({QPointF(box.left() - (kTickLength + 3) * s, y),
                                  Qt::AlignRight | Qt::AlignVCenter, QString::number(mV[i])});
        }
        out.labels.push_back(
            {QPointF(4 * s, box.center().y()), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("ch%1 %2").arg(channel.channel).arg(rangeText(channel.range))});
    }
    for (const TimeTick &tick : ticks.ticks) {
        const double x = top.left() + xOf(tick.seconds);
        out.ticks.emplace_back(x, bottom.bottom(), x, bottom.bottom() + kTickLength * s);
        out.labels.push_back({QPointF(x, bottom.bottom() + (kTickLength + 2) * s),
                              Qt::AlignHCenter | Qt::AlignTop, tick.text});
    }
    out.labels.push_back({QPointF(top.center().x(), bottom.bottom() + 26 * s),
                          Qt::AlignHCenter | Qt::AlignTop,
                          QStringLiteral("时间（%1，自开始）").arg(ticks.unit)});
    out.labels.push_back({QPointF(top.left(), top.top() - 10 * s), Qt::AlignLeft | Qt::AlignBottom,
                          QStringLiteral("%1    开始 %2（UTC）")
                              .arg(chart.title, text(recording.heading().start))});
    return out;
}

void draw(QPainter &painter, const Sheet &sheet, const QColor &ink)
{
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidth(sheet.scale);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const QRectF &lane : sheet.lanes)
        painter.fillRect(lane, kPlotBackground);
    const auto lines = [&](const std::vector<QLineF> &those, const QColor &colour) {
        pen.setColor(colour);
        painter.setPen(pen);
        painter.drawLines(those.data(), int(those.size()));
    };
    lines(sheet.grid, kGridColour);
    lines(sheet.trace, kTraceColour);
    for (int c = 0; c < 2; ++c)
        lines(sheet.cursors[c], kCursorColours[c]);
    lines(sheet.ticks, ink);
    QFont font = painter.font();
    font.setPixelSize(kLabelPixels * sheet.scale);
    painter.setFont(font);
    for (const AxisLabel &label : sheet.labels) {
        // labelBox works in twips at the labels' height; here in pixels.
        const double perTwip = double(kLabelPixels * sheet.scale) / kLabelTwips;
        const QRectF box = labelBox({label.anchor / perTwip, label.alignment, label.text});
        painter.drawText(QRectF(box.topLeft() * perTwip, box.size() * perTwip),
                         int(label.alignment), label.text);
    }
}

void draw(QPainter &painter, const logformat::Recording &recording, const Chart &chart)
{
    draw(painter, sheet(recording, chart), Qt::black);
}

QImage image(const logformat::Recording &recording, const Chart &chart)
{
    QImage picture(pictureSize(recording, chart), QImage::Format_RGB32);
    picture.fill(chart.axes ? QColor(Qt::white) : kPlotBackground);
    const int dotsPerMetre = qRound(twips::kPerInch / twips::kPerPixel * chart.scale / 0.0254);
    picture.setDotsPerMeterX(dotsPerMetre);
    picture.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&picture);
    draw(painter, recording, chart);
    return picture;
}

QByteArray png(const logformat::Recording &recording, const Chart &chart)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image(recording, chart).save(&buffer, "PNG");
    return bytes;
}

QByteArray pdf(const logformat::Recording &recording, const Chart &chart)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("zk61ar-dat"));
        const QSize size = pictureSize(recording, chart);
        const int dpi = int(twips::kPerInch / twips::kPerPixel) * chart.scale;
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / dpi, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(dpi);
        QPainter painter(&writer);
        if (!chart.axes)
            painter.fillRect(QRect(QPoint(0, 0), size), kPlotBackground);
        draw(painter, recording, chart);
    }
    return bytes;
}

void print(PrinterPort &printer, const Sheet &sheet)
{
    const QSizeF page = printer.pageSize();
    const QSizeF drawn(sheet.size);
    const double scale = page.isEmpty() || drawn.isEmpty()
                             ? twips::kPerPixel
                             : std::min(page.width() / drawn.width(), page.height() / drawn.height());
    const auto placed = [scale](std::vector<QLineF> lines) {
        for (QLineF &line : lines)
            line = QLineF(line.p1() * scale, line.p2() * scale);
        return lines;
    };
    printer.pen(kGridColour, float(kPageGridPen));
    printLines(printer, placed(sheet.grid));
    printer.pen(kPageTraceColour, float(kPageTracePen));
    printLines(printer, placed(sheet.trace));
    for (int c = 0; c < 2; ++c) {
        printer.pen(kPageCursorColours[c], float(kPageCursorPen));
        printLines(printer, placed(sheet.cursors[c]));
    }
    printer.pen(kPageInk, float(kPageInkPen));
    printLines(printer, placed(sheet.ticks));
    for (const AxisLabel &label : sheet.labels) {
        const QPointF at = label.anchor * scale;
        printer.text(float(at.x()), float(at.y()), label.alignment, label.text);
    }
    printer.endDoc();
}

} // namespace recordplot
