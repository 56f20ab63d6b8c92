#include "logformat/recording.h"

#include "logformat/recordingerror.h"

#include <algorithm>

namespace logformat {

Recording::Recording(Heading heading)
    : m_heading(std::move(heading)), m_levels(m_heading.channels.size()),
      m_sumsBefore(m_heading.channels.size()), m_sums(m_heading.channels.size())
{
}

Recording::~Recording() = default;

void Recording::readBackFrom(std::shared_ptr<const RowSource> source, std::size_t budgetBytes)
{
    m_source = std::move(source);
    m_mostPages = std::max<std::int64_t>(2, std::int64_t(budgetBytes / pageBytes()));
}

std::size_t Recording::pageBytes() const
{
    return std::size_t(kPageRows) *
           (sizeof(std::int64_t) + m_heading.channels.size() * sizeof(std::int16_t));
}

std::int64_t Recording::timeNs(std::int64_t row) const
{
    if ((row & ((std::int64_t(1) << kBlockShift) - 1)) == 0)
        return m_blockNs[std::size_t(row >> kBlockShift)];
    return timesOf(row >> kPageShift)[row & (kPageRows - 1)];
}

const std::int64_t *Recording::timesOf(std::int64_t page) const
{
    return held(page).times.get();
}

const std::int16_t *Recording::codesOf(int channel, std::int64_t page) const
{
    return held(page).codes.get() + std::size_t(channel) * kPageRows;
}

Recording::Page &Recording::held(std::int64_t index) const
{
    Page &page = m_pages[std::size_t(index)];
    if (!page.times)
        readBack(index);
    page.used = ++m_clock;
    return page;
}

void Recording::makeRoom(Page &page) const
{
    if (m_heldPages >= m_mostPages) {
        Page *oldest = nullptr;
        // Not the newest page: it is still filling.
        for (std::size_t i = 0; i + 1 < m_pages.size(); ++i) {
            Page &p = m_pages[i];
            if (p.times && p.placed && &p != &page && (!oldest || p.used < oldest->used))
                oldest = &p;
        }
        if (oldest) {
            page.times = std::move(oldest->times);
            page.codes = std::move(oldest->codes);
            return;
        }
    }
    // Left uninitialised, so that the last page's unused part takes no memory.
    page.times.reset(new std::int64_t[kPageRows]);
    page.codes.reset(new std::int16_t[std::size_t(kPageRows) * m_heading.channels.size()]);
    ++m_heldPages;
}

void Recording::readBack(std::int64_t index) const
{
    Page &page = m_pages[std::size_t(index)];
    const std::int64_t first = index << kPageShift, count = std::min(kPageRows, m_rows - first);
    RowBlock rows;
    m_source->read(page.place, count, rows);
    // The rows must be those read before: their count, times (the first of
    // each block too), scans, and the sums of their times and codes.
    const std::size_t n = m_heading.channels.size();
    bool same = rows.count == std::size_t(count) && rows.times.back() == page.lastNs &&
                rows.scans.front() == scan(first) && rows.scans.back() == scan(first + count - 1);
    std::uint64_t timesSum = 0;
    for (std::size_t r = 0; same && r < rows.count; ++r)
        timesSum += std::uint64_t(rows.times[r]);
    for (std::size_t r = 0; same && r < rows.count; r += std::size_t(1) << kBlockShift)
        same = rows.times[r] == m_blockNs[std::size_t((first + std::int64_t(r)) >> kBlockShift)];
    same = same && timesSum == page.timesSum;
    for (std::size_t c = 0; same && c < n; ++c) {
        RunningSum got;
        for (std::size_t r = 0; r < rows.count; ++r) {
            const std::int64_t code = rows.codes[r * n + c];
            got.sum += code;
            got.squares += std::uint64_t(code * code);
        }
        const RunningSum before = sumBefore(int(c), first >> kSumShift),
                         after = sumBefore(int(c), (first + count) >> kSumShift);
        same = got.sum == after.sum - before.sum && got.squares == after.squares - before.squares;
    }
    if (!same)
        throw RecordingError(m_source->changed(page.place));
    makeRoom(page);
    std::copy_n(rows.times.begin(), count, page.times.get());
    for (std::size_t c = 0; c < n; ++c) {
        std::int16_t *codes = page.codes.get() + c * kPageRows;
        for (std::size_t r = 0; r < rows.count; ++r)
            codes[r] = rows.codes[r * n + c];
    }
}

std::int16_t Recording::code(int channel, std::int64_t row) const
{
    return codesOf(channel, row >> kPageShift)[row & (kPageRows - 1)];
}

std::int64_t Recording::scan(std::int64_t row) const
{
    const auto after = std::upper_bound(m_gaps.begin(), m_gaps.end(), row,
                                        [](std::int64_t r, const Gap &g) { return r < g.row; });
    return m_firstScan + row + (after == m_gaps.begin() ? 0 : std::prev(after)->skippedSoFar);
}

std::int64_t Recording::rowAtOrAfter(std::int64_t t) const
{
    return rowAtOrAfter(t, false, 0).row;
}

Recording::FoundRow Recording::rowNearAtOrAfter(std::int64_t t, std::int64_t slackNs) const
{
    return rowAtOrAfter(t, true, slackNs);
}

Recording::FoundRow Recording::rowAtOrAfter(std::int64_t t, bool mayMove,
                                            std::int64_t slackNs) const
{
    // Times never fall, so the row is the first of the first block that
    // begins at or after `t`, or one of the block before it.
    const auto after = std::lower_bound(m_blockNs.begin(), m_blockNs.end(), t);
    const std::int64_t block = after - m_blockNs.begin();
    const std::int64_t next = std::min(m_rows, block << kBlockShift);
    if (block == 0)
        return {0, false};
    // The rows of the block before taken at or after `t` were taken by the
    // next block's first time, or by the last row's after the last block.
    const std::int64_t by = after == m_blockNs.end() ? m_pages.back().lastNs : *after;
    if (mayMove && (by < t || std::uint64_t(by) - std::uint64_t(t) <=
                                  std::uint64_t(std::max<std::int64_t>(slackNs, 0))))
        return {next, true};
    const std::int64_t first = (block - 1) << kBlockShift, page = first >> kPageShift;
    if (m_pages[std::size_t(page)].lastNs < t)
        return {next, false};
    // Its first row was taken before `t`.
    const std::int64_t *times = timesOf(page) + (first & (kPageRows - 1));
    return {first + (std::lower_bound(times + 1, times + (next - first), t) - times), false};
}

std::int64_t Recording::skipped() const
{
    return m_rows == 0 ? 0 : m_firstScan + (m_gaps.empty() ? 0 : m_gaps.back().skippedSoFar);
}

bool Recording::skippedBetween(std::int64_t first, std::int64_t last) const
{
    const auto after = std::upper_bound(m_gaps.begin(), m_gaps.end(), first,
                                        [](std::int64_t r, const Gap &g) { return r < g.row; });
    return after != m_gaps.end() && after->row <= last;
}

std::vector<std::int64_t> Recording::rowsAfterGaps() const
{
    std::vector<std::int64_t> rows;
    for (const Gap &gap : m_gaps)
        rows.push_back(gap.row);
    return rows;
}

Extent Recording::extent(int channel, std::int64_t first, std::int64_t end) const
{
    Extent e;
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_rows);
    const auto raw = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t row = from; row < to;) {
            const std::int16_t *codes = codesOf(channel, row >> kPageShift);
            const std::int64_t pageEnd = std::min(to, ((row >> kPageShift) + 1) << kPageShift);
            for (; row < pageEnd; ++row)
                e.add(codes[row & (kPageRows - 1)]);
        }
    };
    constexpr std::int64_t kBlock = Levels::kBlockScans;
    const std::int64_t firstBlock = (first + kBlock - 1) / kBlock;
    const std::int64_t endBlock = end == m_rows ? (end + kBlock - 1) / kBlock : end / kBlock;
    if (firstBlock >= endBlock) {
        raw(first, end);
        return e;
    }
    raw(first, firstBlock * kBlock);
    e.add(m_levels[std::size_t(channel)].blocks(firstBlock, endBlock));
    raw(std::min(end, endBlock * kBlock), end);
    return e;
}

Recording::RunningSum Recording::sumBefore(int channel, std::int64_t sumBlock) const
{
    const std::vector<RunningSum> &before = m_sumsBefore[std::size_t(channel)];
    return std::size_t(sumBlock) < before.size() ? before[std::size_t(sumBlock)]
                                                 : m_sums[std::size_t(channel)];
}

Sums Recording::sums(int channel, std::int64_t first, std::int64_t end) const
{
    Sums s;
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_rows);
    if (first >= end)
        return s;
    const auto raw = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t row = from; row < to;) {
            const std::int16_t *codes = codesOf(channel, row >> kPageShift);
            const std::int64_t pageEnd = std::min(to, ((row >> kPageShift) + 1) << kPageShift);
            for (; row < pageEnd; ++row) {
                const std::int64_t c = codes[row & (kPageRows - 1)];
                s.sum += c;
                s.squares += std::uint64_t(c * c);
            }
        }
    };
    constexpr std::int64_t kSumRows = std::int64_t(1) << kSumShift;
    const std::int64_t firstBlock = (first + kSumRows - 1) >> kSumShift,
                       endBlock = end >> kSumShift;
    if (firstBlock >= endBlock) {
        raw(first, end);
    } else {
        raw(first, firstBlock << kSumShift);
        const RunningSum from = sumBefore(channel, firstBlock), to = sumBefore(channel, endBlock);
        s.sum += to.sum - from.sum;
        s.squares += to.squares - from.squares;
        raw(endBlock << kSumShift, end);
    }
    s.extent = extent(channel, first, end);
    s.count = end - first;
    return s;
}

void Recording::reserve(std::int64_t rows)
{
    m_pages.reserve(std::size_t((rows + kPageRows - 1) >> kPageShift));
    for (Levels &levels : m_levels)
        levels.reserve(rows);
    for (std::vector<RunningSum> &before : m_sumsBefore)
        before.reserve(std::size_t((rows >> kSumShift) + 1));
    m_blockNs.reserve(std::size_t((rows >> kBlockShift) + 1));
}

void Recording::append(const RowBlock &block)
{
    append(block, nullptr);
}

void Recording::append(const RowBlock &block, const std::function<RowPlace(std::size_t)> &placeOf)
{
    const std::size_t n = m_heading.channels.size();
    for (std::size_t i = 0; i < block.count;) {
        const std::int64_t page = m_rows >> kPageShift, at = m_rows & (kPageRows - 1);
        if (std::size_t(page) == m_pages.size()) {
            Page fresh;
            if (placeOf && m_source) {
                fresh.place = placeOf(i);
                fresh.placed = true;
            }
            m_pages.push_back(std::move(fresh));
            makeRoom(m_pages.back());
        }
        Page &p = m_pages[std::size_t(page)];
        p.used = ++m_clock;
        const std::size_t take = std::min(block.count - i, std::size_t(kPageRows - at));
        std::copy_n(block.times.begin() + std::ptrdiff_t(i), take, p.times.get() + at);
        p.lastNs = block.times[i + take - 1];
        for (std::size_t j = i; j < i + take; ++j)
            p.timesSum += std::uint64_t(block.times[j]);
        // Every 16th row's time: from the first of these rows that begins a block.
        constexpr std::int64_t kBlockRows = std::int64_t(1) << kBlockShift;
        for (std::int64_t row = (m_rows + kBlockRows - 1) & ~(kBlockRows - 1);
             row < m_rows + std::int64_t(take); row += kBlockRows)
            m_blockNs.push_back(block.times[i + std::size_t(row - m_rows)]);
        for (std::size_t c = 0; c < n; ++c) {
            std::int16_t *codes = p.codes.get() + c * kPageRows + at;
            const std::int16_t *from = block.codes.data() + i * n + c;
            RunningSum &running = m_sums[c];
            std::vector<RunningSum> &before = m_sumsBefore[c];
            for (std::size_t j = 0; j < take; ++j) {
                const std::int16_t code = from[j * n];
                if (((m_rows + std::int64_t(j)) & ((std::int64_t(1) << kSumShift) - 1)) == 0)
                    before.push_back(running);
                running.sum += code;
                running.squares += std::uint64_t(std::int64_t(code) * code);
                codes[j] = code;
            }
            m_levels[c].append(codes, take);
        }
        for (std::size_t j = i; j < i + take; ++j) {
            const std::int64_t row = m_rows + std::int64_t(j - i), scan = block.scans[j];
            if (row == 0)
                m_firstScan = scan;
            else if (scan != m_lastScan + 1)
                m_gaps.push_back({row, (m_gaps.empty() ? 0 : m_gaps.back().skippedSoFar) + scan -
                                           m_lastScan - 1});
            m_lastScan = scan;
        }
        m_rows += std::int64_t(take);
        i += take;
    }
}

std::size_t Recording::bytes() const
{
    std::size_t total = std::size_t(m_heldPages) * pageBytes() + m_pages.capacity() * sizeof(Page) +
                        m_gaps.capacity() * sizeof(Gap) +
                        m_blockNs.capacity() * sizeof(std::int64_t);
    for (const Levels &levels : m_levels)
        total += levels.bytes();
    for (const std::vector<RunningSum> &before : m_sumsBefore)
        total += before.capacity() * sizeof(RunningSum);
    return total;
}

} // namespace logformat
