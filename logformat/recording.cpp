#include "logformat/recording.h"

#include <algorithm>

namespace logformat {

Recording::Recording(Heading heading)
    : m_heading(std::move(heading)), m_levels(m_heading.channels.size())
{
}

Recording::~Recording() = default;

std::int64_t Recording::timeNs(std::int64_t row) const
{
    return timesOf(row >> kPageShift)[row & (kPageRows - 1)];
}

const std::int64_t *Recording::timesOf(std::int64_t page) const
{
    return m_pages[std::size_t(page)].times.get();
}

const std::int16_t *Recording::codesOf(int channel, std::int64_t page) const
{
    return m_pages[std::size_t(page)].codes.get() + std::size_t(channel) * kPageRows;
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
    std::int64_t low = 0, high = m_rows; // the answer lies in [low, high]
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (timeNs(middle) < t)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
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

Sums Recording::sums(int channel, std::int64_t first, std::int64_t end) const
{
    Sums s;
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_rows);
    for (std::int64_t row = first; row < end;) {
        const std::int16_t *codes = codesOf(channel, row >> kPageShift);
        const std::int64_t pageEnd = std::min(end, ((row >> kPageShift) + 1) << kPageShift);
        // Within a page the sums fit 64 bits many times over.
        std::int64_t sum = 0;
        std::uint64_t squares = 0;
        for (; row < pageEnd; ++row) {
            const std::int16_t c = codes[row & (kPageRows - 1)];
            sum += c;
            squares += std::uint64_t(std::int64_t(c) * c);
            s.extent.add(c);
        }
        s.sum += sum;
        s.squares += squares;
    }
    s.count = std::max<std::int64_t>(0, end - first);
    return s;
}

void Recording::reserve(std::int64_t rows)
{
    m_pages.reserve(std::size_t((rows + kPageRows - 1) >> kPageShift));
    for (Levels &levels : m_levels)
        levels.reserve(rows);
}

void Recording::append(const RowBlock &block)
{
    const std::size_t n = m_heading.channels.size();
    for (std::size_t i = 0; i < block.count;) {
        const std::int64_t page = m_rows >> kPageShift, at = m_rows & (kPageRows - 1);
        if (std::size_t(page) == m_pages.size())
            // Left uninitialised, so that the last page's unused part takes
            // no memory.
            m_pages.push_back(
                {std::unique_ptr<std::int64_t[]>(new std::int64_t[kPageRows]),
                 std::unique_ptr<std::int16_t[]>(new std::int16_t[std::size_t(kPageRows) * n])});
        Page &p = m_pages[std::size_t(page)];
        const std::size_t take = std::min(block.count - i, std::size_t(kPageRows - at));
        std::copy_n(block.times.begin() + std::ptrdiff_t(i), take, p.times.get() + at);
        for (std::size_t c = 0; c < n; ++c) {
            std::int16_t *codes = p.codes.get() + c * kPageRows + at;
            const std::int16_t *from = block.codes.data() + i * n + c;
            for (std::size_t j = 0; j < take; ++j)
                codes[j] = from[j * n];
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
    std::size_t total =
        m_pages.size() * std::size_t(kPageRows) *
            (sizeof(std::int64_t) + m_heading.channels.size() * sizeof(std::int16_t)) +
        m_gaps.capacity() * sizeof(Gap);
    for (const Levels &levels : m_levels)
        total += levels.bytes();
    return total;
}

} // namespace logformat
