#include "plot/span.h"

#include "plot/plotgrid.h"

#include <algorithm>
#include <iterator>

double PlotSpan::plotX(double point) const
{
    return (point - first) * kPlotWidth / points();
}

double PlotSpan::pointAt(double x) const
{
    return first + x * points() / kPlotWidth;
}

namespace {
PlotSpan within(PlotSpan span)
{
    span.first = std::clamp(span.first, 0.0, double(kPlotWidth - span.points()));
    return span;
}
} // namespace

PlotSpan zoomed(const PlotSpan &span, int steps, double anchor)
{
    const int *const begin = std::begin(kZoomSteps), *const end = std::end(kZoomSteps);
    const auto at = std::find(begin, end, span.perDivision);
    const auto step = std::distance(begin, at == end ? begin : at) + steps;
    PlotSpan result;
    result.perDivision = kZoomSteps[std::clamp<std::ptrdiff_t>(step, 0, std::size(kZoomSteps) - 1)];
    const double point = span.pointAt(anchor);
    result.first = point - anchor * result.points() / kPlotWidth;
    return within(result);
}

PlotSpan panned(const PlotSpan &span, double points)
{
    PlotSpan result = span;
    result.first += points;
    return within(result);
}

PlotSpan showing(const PlotSpan &span, double point)
{
    if (point < span.first)
        return panned(span, point - 1 - span.first);
    if (point > span.first + span.points())
        return panned(span, point + 1 - span.first - span.points());
    return span;
}

bool clippedToSpan(QLineF &line, const PlotSpan &span)
{
    QPointF a(span.plotX(line.x1()), line.y1()), b(span.plotX(line.x2()), line.y2());
    if (b.x() < 0 || a.x() > kPlotWidth)
        return false;
    const auto cut = [&](double x) {
        return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
    };
    if (a.x() < 0)
        a = cut(0);
    if (b.x() > kPlotWidth)
        b = cut(kPlotWidth);
    line = QLineF(a, b);
    return true;
}
