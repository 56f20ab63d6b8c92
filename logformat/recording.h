#pragma once
#include "logformat/heading.h"
#include "logformat/levels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A recording in memory: for every row its scan number, its time in
// nanoseconds from the start and one 16-bit code per channel (24 bytes a
// scan for 8 channels), with min/max levels of every channel for drawing and
// measuring long spans. Rows are numbered 0, 1, ... in the order of the file;
// scan numbers rise with gaps where the recorder skipped scans, and are held
// as those gaps alone.
namespace logformat {

// Rows as read, before they join a recording: `count` rows, each with its
// scan number, time and one code per channel, row by row.
struct RowBlock
{
    std::size_t count = 0;
    std::vector<std::int64_t> scans;
    std::vector<std::int64_t> times;
    std::vector<std::int16_t> codes; // row r, channel c at r * channels + c

    void clear()
    {
        count = 0;
        scans.clear();
        times.clear();
        codes.clear();
    }
};

// Exact sums of some codes of one channel, from which info and the viewer
// work out mean and RMS.
struct Sums
{
    std::int64_t count = 0;
    std::int64_t sum = 0;
    std::uint64_t squares = 0;
    Extent extent;
};

class Recording
{
public:
    // The first (or only) file's heading: channels, ranges, start, rate.
    explicit Recording(Heading heading);
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    const Heading &heading() const { return m_heading; }
    int channels() const { return int(m_heading.channels.size()); }
    std::int64_t rows() const { return m_rows; }

    std::int64_t timeNs(std::int64_t row) const;
    std::int16_t code(int channel, std::int64_t row) const;
    std::int64_t scan(std::int64_t row) const;

    // The first row taken at or after `timeNs` (rows() if none).
    std::int64_t rowAtOrAfter(std::int64_t timeNs) const;

    // Scans skipped before the first row (its scan number) and between rows.
    std::int64_t skipped() const;
    // Whether scans were skipped between row `first` and row `last` (first <
    // last): whether a line from one to the other would join over a gap.
    bool skippedBetween(std::int64_t first, std::int64_t last) const;
    // The rows right after a gap, in order.
    std::vector<std::int64_t> rowsAfterGaps() const;

    // The lowest and highest code of rows [first, end) of `channel`: the
    // levels for whole blocks, the codes themselves at the ends.
    Extent extent(int channel, std::int64_t first, std::int64_t end) const;
    // Sums of rows [first, end) of `channel`, exactly.
    Sums sums(int channel, std::int64_t first, std::int64_t end) const;

    // Takes rows in order. Their scans must rise above the last row's and
    // their times not fall below it: the reader checks that, with the file
    // and line to name.
    void append(const RowBlock &block);
    // Room for `rows` rows in all, when the reader can tell beforehand.
    void reserve(std::int64_t rows);

    // Bytes held for rows, scan gaps and levels.
    std::size_t bytes() const;

private:
    static constexpr int kPageShift = 16; // 65536 rows a page
    static constexpr std::int64_t kPageRows = std::int64_t(1) << kPageShift;

    struct Page
    {
        std::unique_ptr<std::int64_t[]> times;
        std::unique_ptr<std::int16_t[]> codes; // channel c's at c * kPageRows
    };
    // A gap before `row`, with all skipped up to and including it.
    struct Gap
    {
        std::int64_t row;
        std::int64_t skippedSoFar;
    };

    // Every read of the rows goes through these two, a page at a time.
    //
    // Rows too many for memory would be kept here as their min/max levels
    // (whole), their gaps and each page's first time, with the raw data of
    // only some pages held: each page would keep where its rows lie (the
    // part, the byte offset and line of its first row, which the reader
    // knows as it reads), these two would read a page that is not held back
    // through a function the reader gives (readAt() from that offset, the
    // lines parsed by RowParser), dropping the page used longest ago, and
    // rowAtOrAfter() would search the pages' first times before one page.
    // extent() reads rows only at a span's ends, so a redraw would read back
    // at most the pages under its first and last columns; a zoom in to fewer
    // rows than pixels reads the pages it shows. Not built yet: every page is
    // held.
    const std::int64_t *timesOf(std::int64_t page) const;
    const std::int16_t *codesOf(int channel, std::int64_t page) const;

    Heading m_heading;
    std::int64_t m_rows = 0;
    std::int64_t m_firstScan = 0;
    std::int64_t m_lastScan = -1;
    std::vector<Page> m_pages;
    std::vector<Gap> m_gaps;
    std::vector<Levels> m_levels; // one a channel
};

} // namespace logformat
