#include "logformat/columns.h"

#include <algorithm>
#include <utility>

namespace logformat {

TimeSpan wholeSpan(const Recording &recording)
{
    if (recording.rows() == 0)
        return {};
    return {recording.timeNs(0), recording.timeNs(recording.rows() - 1) + 1};
}

namespace {
constexpr std::int64_t kBlockRows = Levels::kBlockScans;
// A column's edge moves to a block's start by at most this share of the
// column's time.
constexpr double kEdgeSlackShare = 1.0 / 8;

// The nearest codes of two extents (`before` the one's, `after` the other's):
// the ends of the shortest line from one to the other.
std::pair<std::int16_t, std::int16_t> nearest(const Extent &before, const Extent &after)
{
    if (before.highest < after.lowest)
        return {before.highest, after.lowest};
    if (after.highest < before.lowest)
        return {before.lowest, after.highest};
    const std::int16_t both = std::max(before.lowest, after.lowest);
    return {both, both};
}
} // namespace

std::vector<ColumnRows> columnRows(const Recording &recording, const TimeSpan &span, int columns)
{
    std::vector<ColumnRows> rows(std::size_t(std::max(columns, 0)));
    if (columns <= 0)
        return rows;
    const std::int64_t width = span.endNs - span.firstNs;
    const auto slackNs = std::int64_t(double(width) / columns * kEdgeSlackShare);
    const std::int64_t last = recording.rowAtOrAfter(span.endNs);
    std::int64_t begin = recording.rowAtOrAfter(span.firstNs);
    bool blockStart = false;
    for (int c = 0; c < columns; ++c) {
        std::int64_t end = last;
        bool endsAtBlock = false;
        if (c + 1 < columns) {
            // Worked out in double: a span of hours times a few thousand
            // columns passes 64 bits as nanoseconds.
            const std::int64_t t = span.firstNs + std::int64_t(double(width) * (c + 1) / columns);
            const Recording::FoundRow found = recording.rowNearAtOrAfter(t, slackNs);
            end = std::min(last, found.row);
            endsAtBlock = found.atBlock && end == found.row;
        }
        ColumnRows &column = rows[std::size_t(c)];
        column.begin = begin;
        column.end = std::max(begin, end);
        column.blockStart = blockStart;
        begin = column.end;
        blockStart = endsAtBlock || (blockStart && column.count() == 0);
    }
    return rows;
}

std::vector<ColumnExtent> columnExtents(const Recording &recording, int channel,
                                        const std::vector<ColumnRows> &columns)
{
    std::vector<ColumnExtent> out(columns.size());
    const ColumnRows *previous = nullptr;
    ColumnExtent *previousOut = nullptr;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnRows &rows = columns[c];
        if (rows.count() == 0)
            continue;
        ColumnExtent &e = out[c];
        e.extent = recording.extent(channel, rows.begin, rows.end);
        if (previous) {
            // The columns meet between rows begin - 1 and begin. Where that
            // is a block's start, the line between them joins the nearest
            // codes of the 16 rows either side (the levels; fewer where a
            // column holds fewer), else the two rows' codes.
            const std::int64_t at = rows.begin;
            const std::pair<std::int16_t, std::int16_t> ends =
                rows.blockStart
                    ? nearest(
                          recording.extent(channel, std::max(previous->begin, at - kBlockRows), at),
                          recording.extent(channel, at, std::min(rows.end, at + kBlockRows)))
                    : std::pair<std::int16_t, std::int16_t>{recording.code(channel, at - 1),
                                                            recording.code(channel, at)};
            previousOut->last = ends.first;
            e.first = ends.second;
            e.joinsPrevious = !recording.skippedBetween(previous->begin, rows.end - 1);
        }
        previous = &rows;
        previousOut = &e;
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
