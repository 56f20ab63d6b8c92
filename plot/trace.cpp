#include "plot/trace.h"

#include "device/inputrange.h"
#include "plot/plotgrid.h"

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

std::vector<QLineF> traceLines(const std::int16_t *codes, std::size_t count, int range)
{
    std::vector<QLineF> lines;
    lines.reserve(count);
    double previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double height = sweepHeight(codes[i], range);
        lines.push_back(traceSegment(int(i) + 1, previous, height));
        previous = height;
    }
    return lines;
}
