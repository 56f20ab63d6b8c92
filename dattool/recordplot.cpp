#include "dattool/recordplot.h"

#include "readings/inputrange.h"
#include "readings/rangetext.h"
#include "plot/axes.h"
#include "plot/lane.h"
#include "plot/lanetime.h"
#include "plot/plotgrid.h"
#include "plot/twips.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

namespace recordplot {

namespace {
constexpr int kLaneDivisions = 4;
// Time labels at least this far apart, in pixels at scale 1.
constexpr double kTickSpacing = 110;
constexpr int kLabelPixels = 12;
constexpr int kTickLength = 5;

Margins marginsOf(const Chart &chart)
{
    const Margins m = chart.axes ? kAxisMargins : Margins{0, 0, 0, 0};
    return {m.left * chart.scale, m.top * chart.scale, m.right * chart.scale,
            m.bottom * chart.scale};
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

void drawText(QPainter &painter, const QPointF &anchor, Qt::Alignment alignment,
              const QString &text)
{
    painter.drawText(labelBox({anchor, alignment, text}), int(alignment), text);
}
} // namespace

QRectF laneBox(const Chart &chart, int lane)
{
    const Margins m = marginsOf(chart);
    const int s = chart.scale;
    return QRectF(m.left, m.top + lane * (kLaneHeight + kLaneGap) * s, kPlotWidth * s,
                  kLaneHeight * s);
}

QSize pictureSize(const logformat::Recording &recording, const Chart &chart)
{
    const Margins m = marginsOf(chart);
    const int lanes = std::max(1, recording.channels());
    return QSize(m.left + kPlotWidth * chart.scale + m.right,
                 m.top + (lanes * kLaneHeight + (lanes - 1) * kLaneGap) * chart.scale + m.bottom);
}

void draw(QPainter &painter, const logformat::Recording &recording, const Chart &chart)
{
    const int s = chart.scale;
    const std::vector<TimeTick> ticks =
        laneTimeTicks(chart.span.firstNs, chart.span.endNs, kPlotWidth, kTickSpacing);
    const double perNs = double(kPlotWidth * s) / double(chart.span.endNs - chart.span.firstNs);
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidth(s);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int lane = 0; lane < recording.channels(); ++lane) {
        const QRectF box = laneBox(chart, lane);
        const logformat::ChannelRange &channel = recording.heading().channels[std::size_t(lane)];
        painter.fillRect(box, kPlotBackground);
        std::vector<QLineF> grid;
        for (int d = 0; d <= kLaneDivisions; ++d) {
            const double y = box.top() + (box.height() - 1) * d / kLaneDivisions;
            grid.emplace_back(box.left(), y, box.right() - 1, y);
        }
        grid.emplace_back(box.left(), box.top(), box.left(), box.bottom() - 1);
        grid.emplace_back(box.right() - 1, box.top(), box.right() - 1, box.bottom() - 1);
        for (const TimeTick &tick : ticks) {
            const double x = box.left() + std::floor(double(tick.ns - chart.span.firstNs) * perNs);
            grid.emplace_back(x, box.top(), x, box.bottom() - 1);
        }
        pen.setColor(kGridColour);
        painter.setPen(pen);
        painter.drawLines(grid.data(), int(grid.size()));
        const std::vector<QLineF> trace =
            laneLines(recording, lane, channel.range, chart.span, box);
        pen.setColor(kTraceColour);
        painter.setPen(pen);
        painter.drawLines(trace.data(), int(trace.size()));
    }
    if (!chart.axes)
        return;

    QFont font = painter.font();
    font.setPixelSize(kLabelPixels * s);
    painter.setFont(font);
    pen.setColor(Qt::black);
    painter.setPen(pen);
    const QRectF top = laneBox(chart, 0), bottom = laneBox(chart, recording.channels() - 1);
    for (int lane = 0; lane < recording.channels(); ++lane) {
        const QRectF box = laneBox(chart, lane);
        const logformat::ChannelRange &channel = recording.heading().channels[std::size_t(lane)];
        const std::vector<int> mV = laneMillivolts(channel.range);
        for (std::size_t i = 0; i < mV.size(); ++i) {
            const double y = box.top() + (box.height() - 1) * double(i) / 2;
            painter.drawLine(QLineF(box.left() - kTickLength * s, y, box.left() - 1, y));
            drawText(painter, QPointF(box.left() - (kTickLength + 3) * s, y),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(mV[i]));
        }
        drawText(painter, QPointF(4 * s, box.center().y()), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("ch%1 %2").arg(channel.channel).arg(rangeText(channel.range)));
    }
    for (const TimeTick &tick : ticks) {
        const double x = top.left() + std::floor(double(tick.ns - chart.span.firstNs) * perNs);
        painter.drawLine(QLineF(x, bottom.bottom(), x, bottom.bottom() + kTickLength * s));
        drawText(painter, QPointF(x, bottom.bottom() + (kTickLength + 2) * s),
                 Qt::AlignHCenter | Qt::AlignTop, tick.label);
    }
    const bool clock = !ticks.empty() && ticks.front().label.contains(QLatin1Char(':'));
    drawText(painter, QPointF(top.center().x(), bottom.bottom() + 26 * s),
             Qt::AlignHCenter | Qt::AlignTop,
             clock ? QStringLiteral("时间（时:分:秒，自开始）")
                   : QStringLiteral("时间（s，自开始）"));
    const std::string &start = recording.heading().start;
    drawText(painter, QPointF(top.left(), top.top() - 10 * s), Qt::AlignLeft | Qt::AlignBottom,
             QStringLiteral("%1    开始 %2（UTC）")
                 .arg(chart.title, QString::fromUtf8(start.data(), qsizetype(start.size()))));
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

} // namespace recordplot
