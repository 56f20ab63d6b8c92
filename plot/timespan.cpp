#include "plot/timespan.h"

#include <algorithm>
#include <cmath>

namespace timespan {

namespace {
std::int64_t widthOf(const TimeSpan &span)
{
    return span.endNs - span.firstNs;
}

// `width` from `first`, moved back inside the whole where it passed an end.
TimeSpan within(std::int64_t first, std::int64_t width, const TimeSpan &whole)
{
    width = std::clamp<std::int64_t>(width, 1, std::max<std::int64_t>(1, widthOf(whole)));
    first = std::clamp(first, whole.firstNs, std::max(whole.firstNs, whole.endNs - width));
    return {first, first + width};
}
} // namespace

TimeSpan zoomed(const TimeSpan &view, const TimeSpan &whole, int steps, double anchor,
                std::int64_t narrowest)
{
    const double factor = std::pow(2.0, -steps);
    const double least = double(std::min(std::max<std::int64_t>(1, narrowest), widthOf(whole)));
    const double width = std::clamp(double(widthOf(view)) * factor, least, double(widthOf(whole)));
    const double at = double(view.firstNs) + std::clamp(anchor, 0.0, 1.0) * double(widthOf(view));
    return within(std::int64_t(std::llround(at - anchor * width)), std::int64_t(std::llround(width)),
                  whole);
}

TimeSpan panned(const TimeSpan &view, const TimeSpan &whole, std::int64_t ns)
{
    return within(view.firstNs + ns, widthOf(view), whole);
}

TimeSpan showing(const TimeSpan &view, const TimeSpan &whole, std::int64_t ns)
{
    if (ns < view.firstNs)
        return within(ns, widthOf(view), whole);
    if (ns >= view.endNs)
        return within(ns + 1 - widthOf(view), widthOf(view), whole);
    return within(view.firstNs, widthOf(view), whole);
}

TimeSpan atEnd(const TimeSpan &view, const TimeSpan &whole)
{
    return within(whole.endNs - widthOf(view), widthOf(view), whole);
}

} // namespace timespan
