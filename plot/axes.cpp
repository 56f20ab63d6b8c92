#include "plot/axes.h"

#include "plot/plotgrid.h"
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

// As few decimals as show every label of `step` seconds exactly, but no more
// than give the step three significant digits.
int decimalsFor(double step)
{
    const int most = std::max(0, 2 - int(std::floor(std::log10(step))));
    for (int decimals = 0; decimals < most; ++decimals) {
        const double scaled = step * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-9 * scaled)
            return decimals;
    }
    return most;
}
} // namespace

int gridMillivolts(int range, int y)
{
    const int fullScale = inputrange::fullScaleMillivolts(range);
    return fullScale * (kPlotHeight - y) / kPlotHeight -
           (inputrange::isBipolar(range) ? fullScale / 2 : 0);
}

std::vector<QLineF> axisTicks(const PlotSpan &span)
{
    std::vector<QLineF> ticks = gridLines(kLeftTicks);
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
    const int decimals = rate > 0 ? decimalsFor(span.perDivision / rate) : 0;
    for (const QLineF &tick : gridLines(kBottomTicks, span)) {
        const long point = std::lround(span.pointAt(tick.x1()));
        labels.push_back(
            {QPointF(tick.x1(), kBottomLabels), Qt::AlignHCenter | Qt::AlignTop,
             rate > 0 ? QString::number(point / rate, 'f', decimals) : QString::number(point)});
    }
    labels.push_back({QPointF(kPlotWidth / 2.0, kBottomTitle), Qt::AlignHCenter | Qt::AlignTop,
                      rate > 0 ? QStringLiteral("s") : QStringLiteral("点")});
    return labels;
}

QRectF labelBox(const AxisLabel &label)
{
    // Wide and tall enough for any label; the alignment places the text in it.
    constexpr double kWidth = 4000, kHeight = 1000;
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
