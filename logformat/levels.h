#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Min/max levels of one channel's codes, so that the lowest and highest code
// of any span of a long recording costs a few dozen steps, not one per scan:
// level 0 holds the extent of every block of 16 scans, each level above the
// extent of 16 blocks of the one below. A one-scan spike is in the extent of
// every block that holds it, so no zoom loses it. For 8 channels the levels
// take about 2.1 bytes a scan beside the 24 of codes and time.
namespace logformat {

// The lowest and highest code of some scans; empty when there were none.
struct Extent
{
    std::int16_t lowest = INT16_MAX;
    std::int16_t highest = INT16_MIN;

    bool empty() const { return lowest > highest; }
    void add(std::int16_t code)
    {
        lowest = code < lowest ? code : lowest;
        highest = code > highest ? code : highest;
    }
    void add(const Extent &other)
    {
        lowest = other.lowest < lowest ? other.lowest : lowest;
        highest = other.highest > highest ? other.highest : highest;
    }
};

class Levels
{
public:
    static constexpr int kBlockShift = 4; // 16 scans to a block of level 0
    static constexpr std::int64_t kBlockScans = std::int64_t(1) << kBlockShift;
    static constexpr int kFanOutShift = 4; // 16 blocks to one of the level above

    // Adds the next `count` codes, in the order of the scans.
    void append(const std::int16_t *codes, std::size_t count);
    std::int64_t scans() const { return m_scans; }
    // Room for `scans` scans in all, so that growing never copies.
    void reserve(std::int64_t scans);

    // The extent of the level-0 blocks [first, end), the last one whole or
    // not: scans [first * 16, min(end * 16, scans())).
    Extent blocks(std::int64_t first, std::int64_t end) const;

    std::size_t bytes() const;

private:
    // m_levels[0][b]: scans [16b, 16b + 16); m_levels[l][b]: blocks
    // [16b, 16b + 16) of level l - 1. The last block of each level may be
    // partly filled and grows with the next append.
    std::vector<std::vector<Extent>> m_levels;
    std::int64_t m_scans = 0;
};

} // namespace logformat
