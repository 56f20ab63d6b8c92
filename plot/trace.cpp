#include "plot/trace.h"

#include "plot/plotgrid.h"
#include "readings/inputrange.h"

#include <algorithm>
#include <cmath>

double sweepHeight(std::int16_t adValue, int range)
{
    const double code = inputrange::isBipolar(range) ? adValue + 2048.0 : double(adValue);
    return kPlotHeight * (code / 4096.0);
}

QLineF traceSegment(int point, double previousHeight, double height)
{
    return QLineF(float(point), float(kPlotHeight - previousHeight), float(point + 1),
                  float(kPlotHeight - height));
}

std::vector<QLineF> sweepTraceLines(const std::int16_t *codes, std::size_t count, int range,
                                    const PlotSpan &span)
{
    // Point r's segment spans x = r..r + 1: those that reach into the span.
    const int first = std::max(1, int(std::floor(span.first)));
    const int last = std::min(int(count), int(std::ceil(span.first + span.points())) - 1);
    std::vector<QLineF> lines;
    lines.reserve(std::size_t(std::max(0, last - first + 1)));
    double previous = first > 1 ? sweepHeight(codes[first - 2], range) : 0;
    for (int point = first; point <= last; ++point) {
        const double height = sweepHeight(codes[point - 1], range);
        QLineF segment = traceSegment(point, previous, height);
        if (clippedToSpan(segment, span))
            lines.push_back(segment);
        previous = height;
    }
    return lines;
}

std::vector<QLineF> vertexTraceLines(const std::int16_t *codes, std::size_t count, int range,
                                     const PlotSpan &span)
{
    // Segment p joins points p and p + 1: those with an end in the span or
    // across it.
    const int first = std::max(1, int(std::floor(span.first)));
    const int last = std::min(int(count), int(std::ceil(span.first + span.points())));
    std::vector<QLineF> lines;
    lines.reserve(std::size_t(std::max(0, last - first)));
    for (int point = first; point < last; ++point) {
        QLineF segment(point, kPlotHeight - sweepHeight(codes[point - 1], range), point + 1,
                       kPlotHeight - sweepHeight(codes[point], range));
        if (clippedToSpan(segment, span))
            lines.push_back(segment);
    }
    return lines;
}
