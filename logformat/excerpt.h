#pragma once
#include "logformat/recording.h"

#include <cstdint>
#include <optional>
#include <string>

// Some rows of a recording as a recording of their own, in the same format:
// its start the original start plus the first row's time, a "# source:" line
// naming the recording they came from, each row's scan number kept and its
// time counted from the new start, so that start plus time is still the
// moment it was taken.
namespace logformat {

// `start` as the heading writes it ("2026-12-09T03:10:47.464698Z") `ns`
// nanoseconds later, with as many decimals as it had and more where the sum
// needs them; nothing when `start` is not such a time.
std::optional<std::string> startPlus(const std::string &start, std::int64_t ns);

// The text of rows [first, end) of `recording` (first < end), taken from
// `source` as the file's "#" line names it. Where the start is no time that
// can be added to, start and times stay as they were.
std::string excerptText(const Recording &recording, std::int64_t first, std::int64_t end,
                        const std::string &source);

} // namespace logformat
