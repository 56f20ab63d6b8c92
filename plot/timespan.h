#pragma once
#include "logformat/columns.h"

#include <cstdint>

// The part of a recording's time a viewer shows, zoomed and panned within the
// whole recording's time: each zoom step halves or doubles the time shown, at
// most the whole and at least `narrowest`; a view is never moved past either
// end of the whole.
namespace timespan {

using logformat::TimeSpan;

// `steps` zoom steps (positive: in) around `anchor`, the share of the width
// (0 the left edge, 1 the right) whose time stays where it is unless the view
// would pass an end.
TimeSpan zoomed(const TimeSpan &view, const TimeSpan &whole, int steps, double anchor,
                std::int64_t narrowest);

// Moved by `ns` (positive: later), kept within the whole.
TimeSpan panned(const TimeSpan &view, const TimeSpan &whole, std::int64_t ns);

// Moved as little as shows the time `ns`, kept within the whole.
TimeSpan showing(const TimeSpan &view, const TimeSpan &whole, std::int64_t ns);

// The same width ending where the whole ends: the newest scan at the right.
TimeSpan atEnd(const TimeSpan &view, const TimeSpan &whole);

} // namespace timespan
