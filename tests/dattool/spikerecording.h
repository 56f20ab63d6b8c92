#pragma once
// A long recording with one spike and one gap, for the pictures of the whole
// run: 400 s at 1000 scans/s of channel 0 (0-5V) at code 1000 but for one
// scan of 4095, and 5 s of scans skipped; channel 1 (±5V) at 0.
#include "logformat/heading.h"
#include "logformat/rowtext.h"

#include <string>

namespace spikerecording {

constexpr int kScans = 400000, kSpike = 250000, kGapFrom = 100000, kGapTo = 105000;

inline std::string text()
{
    logformat::Heading heading;
    heading.version = "1.0";
    heading.start = "2026-12-09T03:10:47.464698Z";
    heading.rateText = "1000";
    heading.channels = {{0, 0}, {1, 1}};
    const logformat::RowText rows(heading.channels);
    std::string file = logformat::headingText(heading);
    char row[logformat::RowText::kMaxLength];
    for (int k = 0; k < kScans; ++k)
        if (k < kGapFrom || k >= kGapTo) {
            const std::int16_t codes[] = {std::int16_t(k == kSpike ? 4095 : 1000), 0};
            file.append(row, rows.write(row, k, k * 1'000'000LL, codes));
        }
    return file;
}

} // namespace spikerecording
