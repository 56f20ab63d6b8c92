#pragma once
#include "logformat/heading.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The rows of a recording as zk61ar-log writes them: the scan number, the
// time in seconds from the start, and each channel's exact millivolts, ended
// by CRLF:
//
//     1,0.001054,2504.8828125,-3986.81640625
//     2,0.001054387,2504.8828125,-3986.81640625
//
// The time has six decimals (microseconds), or nine (nanoseconds) where its
// microseconds are those of the row before, so that consecutive scans at any
// rate have times that tell them apart.
namespace logformat {

// The text of every code of one range, worked out once so that a row costs
// one copy per channel.
struct MillivoltTable;

class RowText
{
public:
    explicit RowText(const std::vector<ChannelRange> &channels);
    ~RowText();
    RowText(const RowText &) = delete;
    RowText &operator=(const RowText &) = delete;

    // Room enough for any row of up to 8 channels.
    static constexpr std::size_t kMaxLength = 264;

    // The row of scan `scan`, taken `timeNs` after the start, with one code
    // per channel in the heading's order, at `out`; returns its length. The
    // row before was taken at `previousNs` (negative for none).
    std::size_t write(char *out, std::int64_t scan, std::int64_t timeNs, const std::int16_t *codes,
                      std::int64_t previousNs = -1) const;

private:
    std::vector<std::shared_ptr<const MillivoltTable>> m_tables; // one per channel
};

} // namespace logformat
