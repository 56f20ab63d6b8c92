#include "logformat/columns.h"

#include <algorithm>

namespace logformat {

TimeSpan wholeSpan(const Recording &recording)
{
    if (recording.rows() == 0)
        return {};
    return {recording.timeNs(0), recording.timeNs(recording.rows() - 1) + 1};
}

std::vector<RowSpan> columnRows(const Recording &recording, const TimeSpan &span, int columns)
{
    std::vector<RowSpan> rows(std::size_t(std::max(columns, 0)));
    const std::int64_t width = span.endNs - span.firstNs;
    std::int64_t begin = recording.rowAtOrAfter(span.firstNs);
    for (int c = 0; c < columns; ++c) {
        // Worked out in double: a span of hours times a few thousand columns
        // passes 64 bits as nanoseconds.
        const std::int64_t end =
            c + 1 == columns ? recording.rowAtOrAfter(span.endNs)
                             : recording.rowAtOrAfter(
                                   span.firstNs + std::int64_t(double(width) * (c + 1) / columns));
        rows[std::size_t(c)] = {begin, std::max(begin, end)};
        begin = rows[std::size_t(c)].end;
    }
    return rows;
}

std::vector<ColumnExtent> columnExtents(const Recording &recording, int channel,
                                        const std::vector<RowSpan> &columns)
{
    std::vector<ColumnExtent> out(columns.size());
    const RowSpan *previous = nullptr;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const RowSpan &rows = columns[c];
        if (rows.count() == 0)
            continue;
        ColumnExtent &e = out[c];
        e.extent = recording.extent(channel, rows.begin, rows.end);
        e.first = recording.code(channel, rows.begin);
        e.last = recording.code(channel, rows.end - 1);
        e.joinsPrevious = previous && !recording.skippedBetween(previous->begin, rows.end - 1);
        previous = &rows;
    }
    return out;
}

RowSpan rowsAround(const Recording &recording, const TimeSpan &span)
{
    const std::int64_t begin = recording.rowAtOrAfter(span.firstNs);
    const std::int64_t end = recording.rowAtOrAfter(span.endNs);
    return {std::max<std::int64_t>(0, begin - 1), std::min(recording.rows(), end + 1)};
}

} // namespace logformat
