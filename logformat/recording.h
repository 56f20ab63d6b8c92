#pragma once
#include "logformat/heading.h"
#include "logformat/levels.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Where a row lies in the files it was read from: which of them (as the
// source that reads them back numbers them), the byte offset of its line and
// that line's number (1 the first), for the one line naming it if it no
// longer reads as it did.
struct RowPlace
{
    int part = 0;
    std::int64_t offset = 0;
    std::int64_t line = 0;
};

// Reads rows back from the files they were read from, for a recording that
// holds only some of its pages: `count` rows from the one at `from` on, in
// order, into `rows` (cleared first). Throws RecordingError, naming the file
// and line, when the files no longer give them (shorter, or not rows).
class RowSource
{
public:
    virtual ~RowSource() = default;
    virtual void read(const RowPlace &from, std::int64_t count, RowBlock &rows) const = 0;
    // The one line for rows from `from` on that read back other than they
    // read at first.
    virtual std::string changed(const RowPlace &from) const = 0;
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

// Rows too many for memory are held as their min/max levels, sums and gaps
// (whole), each page's last time and the first time of every block of 16 rows
// (0.5 bytes a scan), with the raw rows of only as many pages as a byte budget
// allows: a page not held is read back through the RowSource when a row of it
// is asked for, and the page used longest ago is let go. So even the const
// functions below may change what is held: a Recording is for one thread at a
// time (the viewer's, once read), and they may throw RecordingError when a
// file changed under it. Zoomed in, a view reads back the pages it shows.
// Zoomed out, where a pixel column spans many blocks, columns begin at
// blocks' first rows (rowNearAtOrAfter()) and take their extents and the
// lines between them from the levels (columns.h), so that a redraw reads at
// most the pages under its first and last columns.
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

    // The first row taken at or after `timeNs` (rows() if none): the blocks'
    // first times and the pages' last times, then at most one page's.
    std::int64_t rowAtOrAfter(std::int64_t timeNs) const;
    // A row found for a time: `atBlock` when it is the first row of a block
    // of 16 rows (rows() after the last) taken in place of the one asked for.
    struct FoundRow
    {
        std::int64_t row = 0;
        bool atBlock = false;
    };
    // rowAtOrAfter(`timeNs`), or in its place the first row of the next
    // block of 16 rows where the rows before it taken at or after `timeNs`
    // were all taken within `slackNs` of it: that one told from the blocks'
    // first times alone, without reading a page.
    FoundRow rowNearAtOrAfter(std::int64_t timeNs, std::int64_t slackNs) const;

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
    // Sums of rows [first, end) of `channel`, exactly: running sums every
    // 1024 rows, the codes themselves at the ends.
    Sums sums(int channel, std::int64_t first, std::int64_t end) const;

    // Takes rows in order. Their scans must rise above the last row's and
    // their times not fall below it: the reader checks that, with the file
    // and line to name.
    void append(const RowBlock &block);
    // The same, rows read from files: `placeOf(i)` tells where row i of the
    // block lies, asked for each row that begins a page.
    void append(const RowBlock &block, const std::function<RowPlace(std::size_t)> &placeOf);
    // From now on, pages whose rows `source` can read back are held only
    // within `budgetBytes` (at least two pages: the newest, still filling,
    // and the one in use).
    void readBackFrom(std::shared_ptr<const RowSource> source, std::size_t budgetBytes);
    // Room for `rows` rows in all, when the reader can tell beforehand.
    void reserve(std::int64_t rows);

    // Bytes held for rows, scan gaps, blocks' first times, levels and sums.
    std::size_t bytes() const;

private:
    static constexpr int kPageShift = 16; // 65536 rows a page
    static constexpr std::int64_t kPageRows = std::int64_t(1) << kPageShift;
    static constexpr int kSumShift = 10; // running sums every 1024 rows
    static constexpr int kBlockShift = Levels::kBlockShift;

    struct Page
    {
        std::unique_ptr<std::int64_t[]> times; // null while not held
        std::unique_ptr<std::int16_t[]> codes; // channel c's at c * kPageRows
        std::int64_t lastNs = 0;               // its first is m_blockNs's
        std::uint64_t timesSum = 0;            // to tell rows read back from others
        RowPlace place;
        bool placed = false;    // its rows can be read back
        std::uint64_t used = 0; // when last asked for, by m_clock
    };
    // A gap before `row`, with all skipped up to and including it.
    struct Gap
    {
        std::int64_t row;
        std::int64_t skippedSoFar;
    };
    struct RunningSum
    {
        std::int64_t sum = 0;
        std::uint64_t squares = 0;
    };

    // Every read of the rows goes through these two, a page at a time: a
    // page not held is read back first, and the page used longest ago let
    // go if the budget is full. extent() and sums() read rows only at a
    // span's ends.
    const std::int64_t *timesOf(std::int64_t page) const;
    const std::int16_t *codesOf(int channel, std::int64_t page) const;
    Page &held(std::int64_t page) const;
    void readBack(std::int64_t page) const;
    // Room for one more page, within the budget: a fresh one, or that of the
    // page used longest ago, let go.
    void makeRoom(Page &page) const;
    std::size_t pageBytes() const;
    RunningSum sumBefore(int channel, std::int64_t sumBlock) const;
    // The row at or after `t`, or the next block's first where `mayMove` and
    // the rows between were taken within `slackNs` of `t`.
    FoundRow rowAtOrAfter(std::int64_t t, bool mayMove, std::int64_t slackNs) const;

    Heading m_heading;
    std::int64_t m_rows = 0;
    std::int64_t m_firstScan = 0;
    std::int64_t m_lastScan = -1;
    // Changed by the const reads, hence one thread at a time (see above).
    mutable std::vector<Page> m_pages;
    mutable std::uint64_t m_clock = 0;
    mutable std::int64_t m_heldPages = 0;
    std::shared_ptr<const RowSource> m_source;
    std::int64_t m_mostPages = INT64_MAX; // held at most, when there is a source
    std::vector<Gap> m_gaps;
    std::vector<std::int64_t> m_blockNs; // the time of every 16th row: 0, 16, 32, ...
    std::vector<Levels> m_levels;        // one a channel
    // Per channel, the sums of rows [0, 1024 k) at k, and of all rows.
    std::vector<std::vector<RunningSum>> m_sumsBefore;
    std::vector<RunningSum> m_sums;
};

} // namespace logformat
