#include "plot/axes.h"

#include "plot/plotgrid.h"
#include "plot/timeaxis.h"
#include "readings/inputrange.h"

#include <cmath>

namespace {
// Clear of the plot by two pixels, so that its border stays as it is.
constexpr GridFamily kLeftTicks{true, 0, kPlotHeight, kDivisionHeight, -120, -30};
constexpr GridFamily kBottomTicks{false, 0, kPlotWidth, kDivisionWidth, kPlotHeight + 30,
                                  kPlotHeight + 120};
constexpr double kLeftLabels = -180;
constexpr double kBottomLabels = kPlotHeight + 180;
constexpr double kBottomTitle = kPlotHeight + 450;
constexpr double kUnitAbove = -200;

constexpr double kNarrowLetter = 0.65 * kLabelTwips;
// Time labels stay a letter's height apart.
constexpr double kLabelGap = kLabelTwips;

TimeTicks bottomTimes(const PlotSpan &span, double rate)
{
    return timeTicks(span.first / rate, (span.first + span.points()) / rate, kPlotWidth, labelWidth,
                     kLabelGap);
}

double timeX(const PlotSpan &span, double rate, double seconds)
{
    return span.plotX(seconds * rate);
}
} // namespace

int gridMillivolts(int range, int y)
{
    const int fullScale = inputrange::fullScaleMillivolts(range);
    return fullScale * (kPlotHeight - y) / kPlotHeight -
           (inputrange::isBipolar(range) ? fullScale / 2 : 0);
}

std::vector<QLineF> axisTicks(const PlotSpan &span, double rate)
{
    std::vector<QLineF> ticks = gridLines(kLeftTicks);
    if (rate > 0) {
        for (const TimeTick &tick : bottomTimes(span, rate).ticks) {
            const double x = timeX(span, rate, tick.seconds);
            ticks.emplace_back(x, kBottomTicks.start, x, kBottomTicks.end);
        }
        return ticks;
    }
    const std::vector<QLineF> bottom = gridLines(kBottomTicks, span);
    ticks.insert(ticks.end(), bottom.begin(), bottom.end());
    return ticks;
}

std::vector<AxisLabel> axisLabels(int range, const PlotSpan &span, double rate)
{
    std::vector<AxisLabel> labels;
    for (const QLineF &tick : gridLines(kLeftTicks))
        labels.push_back({QPointF(kLeftLabels, tick.y1()), Qt::AlignRight | Qt::AlignVCenter,
                          QString::number(gridMillivolts(range, int(tick.y1())))});
    labels.push_back(
        {QPointF(kLeftLabels, kUnitAbove), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("mV")});
    const Qt::Alignment below = Qt::AlignHCenter | Qt::AlignTop;
    if (rate > 0) {
        const TimeTicks times = bottomTimes(span, rate);
        for (const TimeTick &tick : times.ticks)
            labels.push_back(
                {QPointF(timeX(span, rate, tick.seconds), kBottomLabels), below, tick.text});
        labels.push_back({QPointF(kPlotWidth / 2.0, kBottomTitle), below, times.unit});
        return labels;
    }
    for (const QLineF &tick : gridLines(kBottomTicks, span))
        labels.push_back({QPointF(tick.x1(), kBottomLabels), below,
                          QString::number(std::lround(span.pointAt(tick.x1())))});
    labels.push_back({QPointF(kPlotWidth / 2.0, kBottomTitle), below, QStringLiteral("点")});
    return labels;
}

QRectF labelBox(const AxisLabel &label)
{
    // Wide and tall enough for any label, a title's line too (drawn text is
    // cut at its box); the alignment places the text in it.
    constexpr double kWidth = 20000, kHeight = 1000;
    QRectF box(0, 0, kWidth, kHeight);
    const Qt::Alignment a = label.alignment;
    box.moveLeft(a & Qt::AlignRight     ? label.anchor.x() - kWidth
                 : a & Qt::AlignHCenter ? label.anchor.x() - kWidth / 2
                                        : label.anchor.x());
    box.moveTop(a & Qt::AlignBottom    ? label.anchor.y() - kHeight
                : a & Qt::AlignVCenter ? label.anchor.y() - kHeight / 2
                                       : label.anchor.y());
    return box;
}

double labelWidth(const QString &text)
{
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x2E80 ? kNarrowLetter : kLabelTwips;
    return width;
}
