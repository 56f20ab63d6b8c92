#pragma once
#include <QString>

#include <cstdint>
#include <vector>

// Ticks along a recording's time axis, for its lanes: round times (1, 2 or 5
// times a power of ten seconds, whole minutes and hours for long spans)
// labelled in seconds from the start, or as m:ss and h:mm:ss once the span
// reaches a minute.
struct TimeTick
{
    std::int64_t ns;
    QString label;
};

// The ticks within [firstNs, endNs), at least `spacing` apart along a width of
// `width` (in any unit the two share).
std::vector<TimeTick> laneTimeTicks(std::int64_t firstNs, std::int64_t endNs, double width,
                                    double spacing);
