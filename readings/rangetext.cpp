#include "readings/rangetext.h"

#include "readings/inputrange.h"

#include <charconv>
#include <string>

namespace rangetext {

namespace {
constexpr int kLog2Codes = 12; // the 4096 codes a range spans
constexpr std::string_view kNames[inputrange::kCount] = {"0-5V", "±5V", "0-10V", "±10V"};
constexpr std::string_view kDigits[inputrange::kCount] = {"0", "1", "2", "3"};
} // namespace

std::string_view name(int range)
{
    return inputrange::isValid(range) ? kNames[range] : std::string_view();
}

std::optional<int> parse(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    std::string n(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
    if (const std::size_t plusMinus = n.find("+-"); plusMinus != std::string::npos)
        n.replace(plusMinus, 2, "±");
    if (n.back() == 'v')
        n.back() = 'V';
    for (int range = 0; range < inputrange::kCount; ++range)
        if (n == kNames[range] || n == kDigits[range])
            return range;
    return std::nullopt;
}

std::string unknownRangeText(const std::string &shown)
{
    return "未知量程 " + shown + "（可用 0-5V、±5V、0-10V、±10V 或 0..3）";
}

char *writeExact(char *out, std::int64_t numerator, int log2Denominator)
{
    if (numerator < 0)
        *out++ = '-';
    const std::uint64_t magnitude =
        numerator < 0 ? 0 - std::uint64_t(numerator) : std::uint64_t(numerator);
    const std::uint64_t mask = (std::uint64_t(1) << log2Denominator) - 1;
    out = std::to_chars(out, out + 20, magnitude >> log2Denominator).ptr;
    // Each digit of a binary fraction ends the expansion one step nearer: at
    // most log2Denominator digits. The remainder stays below 2^32, so ten
    // times it never overflows.
    std::uint64_t rest = magnitude & mask;
    if (rest != 0)
        *out++ = '.';
    while (rest != 0) {
        rest *= 10;
        *out++ = char('0' + (rest >> log2Denominator));
        rest &= mask;
    }
    return out;
}

char *writeMillivolts(char *out, int code, int range)
{
    return writeExact(out, std::int64_t(inputrange::fullScaleMillivolts(range)) * code, kLog2Codes);
}

} // namespace rangetext
