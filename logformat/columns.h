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

// The rows of one column; `blockStart` when its first row begins a block of
// 16 rows (levels.h), taken as the column's first in place of the exact one.
struct ColumnRows : RowSpan
{
    bool blockStart = false;
};

// The rows of each of `columns` columns, column c covering the times
// [first + c x width / columns, first + (c + 1) x width / columns), every row
// of the span in one column. Where the rows at a column's edge were all taken
// within an eighth of a column's time of it, the edge moves to the start of
// the next block of 16 rows, found without reading a page: by fewer than 16
// rows and an eighth of a pixel, but each column then holds whole blocks
// whose extents come from the levels. The span's own ends stay exact.
std::vector<ColumnRows> columnRows(const Recording &recording, const TimeSpan &span, int columns);

struct ColumnExtent
{
    Extent extent; // empty for a column without rows
    // Where the lines joining it to the columns with rows either side end,
    // each the code of the row beside the meeting place, or, where columns
    // meet at a block's start, the nearest codes of the two blocks beside it
    // (their levels, no rows read); 0 with no such column.
    std::int16_t first = 0;
    std::int16_t last = 0;
    bool joinsPrevious = false; // a line joins it to the last column before it with rows: no
                                // scans skipped between their rows, nor in either
};
// Reads rows only at the columns' edges that are not blocks' starts.
std::vector<ColumnExtent> columnExtents(const Recording &recording, int channel,
                                        const std::vector<ColumnRows> &columns);

// The rows to draw a line through for a span: those in it and one either
// side, so that the line reaches its edges.
RowSpan rowsAround(const Recording &recording, const TimeSpan &span);

} // namespace logformat
