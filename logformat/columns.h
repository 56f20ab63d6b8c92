#pragma once
#include "logformat/recording.h"

#include <cstdint>
#include <vector>

// What pixel columns show of a recording: the rows under each column of a
// span of time spread over so many columns, and each column's lowest and
// highest code, from the min/max levels, so that a redraw costs the columns,
// not the rows, and a one-scan spike is in its column at every zoom.
namespace logformat {

// Times [firstNs, endNs) in nanoseconds from the start.
struct TimeSpan
{
    std::int64_t firstNs = 0;
    std::int64_t endNs = 0;
};

// The whole recording: from its first row's time to just after its last.
TimeSpan wholeSpan(const Recording &recording);

// Rows [begin, end): those taken in one column's time.
struct RowSpan
{
    std::int64_t begin = 0;
    std::int64_t end = 0;

    std::int64_t count() const { return end - begin; }
};

// The rows of each of `columns` columns, column c covering the times
// [first + c x width / columns, first + (c + 1) x width / columns).
std::vector<RowSpan> columnRows(const Recording &recording, const TimeSpan &span, int columns);

struct ColumnExtent
{
    Extent extent;              // empty for a column without rows
    std::int16_t first = 0;     // the code of its first row
    std::int16_t last = 0;      // and of its last
    bool joinsPrevious = false; // a line joins it to the last column before it with rows: no
                                // scans skipped between their rows, nor in either
};
std::vector<ColumnExtent> columnExtents(const Recording &recording, int channel,
                                        const std::vector<RowSpan> &columns);

// The rows to draw a line through for a span: those in it and one either
// side, so that the line reaches its edges.
RowSpan rowsAround(const Recording &recording, const TimeSpan &span);

} // namespace logformat
