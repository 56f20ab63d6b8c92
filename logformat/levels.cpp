#include "logformat/levels.h"

namespace logformat {

namespace {
constexpr std::int64_t kFanOut = std::int64_t(1) << Levels::kFanOutShift;
}

void Levels::append(const std::int16_t *codes, std::size_t count)
{
    if (count == 0)
        return;
    if (m_levels.empty())
        m_levels.emplace_back();
    std::vector<Extent> &level0 = m_levels[0];
    // The first block of each level that changes: from there up, each level
    // is worked out again from the one below.
    std::int64_t changed = m_scans >> kBlockShift;
    level0.resize(std::size_t((m_scans + std::int64_t(count) + kBlockScans - 1) >> kBlockShift));
    std::int64_t scan = m_scans;
    for (std::size_t i = 0; i < count;) {
        Extent &block = level0[std::size_t(scan >> kBlockShift)];
        const std::size_t inBlock = std::size_t(kBlockScans - (scan & (kBlockScans - 1)));
        const std::size_t end = i + inBlock < count ? i + inBlock : count;
        Extent e = block;
        for (std::size_t j = i; j < end; ++j)
            e.add(codes[j]);
        block = e;
        scan += std::int64_t(end - i);
        i = end;
    }
    m_scans = scan;
    for (std::size_t l = 1; m_levels[l - 1].size() > 1; ++l) {
        if (m_levels.size() == l)
            m_levels.emplace_back();
        const std::vector<Extent> &below = m_levels[l - 1];
        std::vector<Extent> &level = m_levels[l];
        changed /= kFanOut;
        level.resize((below.size() + kFanOut - 1) / kFanOut);
        for (std::size_t b = std::size_t(changed); b < level.size(); ++b) {
            Extent e;
            const std::size_t end = std::min<std::size_t>(below.size(), (b + 1) * kFanOut);
            for (std::size_t j = b * kFanOut; j < end; ++j)
                e.add(below[j]);
            level[b] = e;
        }
    }
}

void Levels::reserve(std::int64_t scans)
{
    std::int64_t blocks = (scans + kBlockScans - 1) >> kBlockShift;
    for (std::size_t l = 0;; ++l) {
        if (m_levels.size() == l)
            m_levels.emplace_back();
        m_levels[l].reserve(std::size_t(blocks));
        if (blocks <= 1)
            return;
        blocks = (blocks + kFanOut - 1) / kFanOut;
    }
}

Extent Levels::blocks(std::int64_t first, std::int64_t end) const
{
    Extent e;
    if (m_levels.empty())
        return e;
    end = std::min<std::int64_t>(end, std::int64_t(m_levels[0].size()));
    // Up the levels while the span holds whole blocks of the one above,
    // taking the blocks at either end that do not fill one.
    for (std::size_t l = 0; first < end; ++l) {
        const std::vector<Extent> &level = m_levels[l];
        if (l + 1 == m_levels.size() || end - first < 2 * kFanOut) {
            for (std::int64_t b = first; b < end; ++b)
                e.add(level[std::size_t(b)]);
            break;
        }
        for (; first % kFanOut != 0; ++first)
            e.add(level[std::size_t(first)]);
        // The last block of a level stands for all below it, filled or not.
        if (end != std::int64_t(level.size()))
            for (; end % kFanOut != 0; --end)
                e.add(level[std::size_t(end - 1)]);
        first /= kFanOut;
        end = (end + kFanOut - 1) / kFanOut;
    }
    return e;
}

std::size_t Levels::bytes() const
{
    std::size_t total = 0;
    for (const std::vector<Extent> &level : m_levels)
        total += level.capacity() * sizeof(Extent);
    return total;
}

} // namespace logformat
