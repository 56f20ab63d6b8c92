#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The input ranges' names and millivolts as text: the words and numbers that
// zk61ar-dat and zk61ar-log write, from one place.
namespace rangetext {

// "0-5V", "±5V", "0-10V", "±10V" (UTF-8) by range code; empty for any other code.
std::string_view name(int range);

// The range code of a name as the window shows it, with "+-" for "±" and a
// lower-case v allowed, or of the code itself ("0".."3"); blanks around it
// do not count.
std::optional<int> parse(std::string_view text);

// The line that refuses `shown`, a name parse() does not know, with the names
// it does.
std::string unknownRangeText(const std::string &shown);

// Room enough for any text writeExact gives.
constexpr std::size_t kMaxExactLength = 64;

// numerator / 2^log2Denominator (0..32) written out exactly at `out`, with a
// decimal point and no more digits than it takes: 5000 / 2^12 is
// "1.220703125". Locale-free. Returns the end of the text.
char *writeExact(char *out, std::int64_t numerator, int log2Denominator);

// Full scale x code / 4096 in `range`, exactly.
char *writeMillivolts(char *out, int code, int range);
// At least as long as any text writeMillivolts gives for a code of its range:
// a sign, at most five digits (-10000 in ±10V), a point and at most nine
// decimals (5000 / 2^12 is 1.220703125).
constexpr std::size_t kLongestMillivolts = 1 + 5 + 1 + 9;

} // namespace rangetext
