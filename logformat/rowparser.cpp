#include "logformat/rowparser.h"

#include "readings/inputrange.h"
#include "readings/rangetext.h"

#include <cstring>

namespace logformat {

namespace {

constexpr std::uint64_t kPow10[] = {1,      10,      100,      1000,      10000,
                                    100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int kMaxDecimals = 9;
constexpr std::uint64_t kNsPerSecond = 1000000000;
constexpr int kMaxScanDigits = 18;
constexpr int kMaxSecondDigits = 10;
constexpr int kMaxMillivoltDigits = 6;

// A code of a range with full scale 5000 x 2^s mV is code x 2^s x 5^13
// billionths of a millivolt (5000 / 4096 mV is 5^13 / 10^9), so the text
// gives a code exactly when its billionths divide by 5^13 and 2^s. A
// division by the odd 5^13 is a multiplication by its inverse modulo 2^64,
// which gives a quotient no larger than 2^64 / 5^13 exactly when it divides.
constexpr std::uint64_t kFive13 = 1220703125;
constexpr std::uint64_t inverse(std::uint64_t odd)
{
    std::uint64_t x = odd; // right in the lowest 3 bits; each step doubles them
    for (int i = 0; i < 5; ++i)
        x *= 2 - odd * x;
    return x;
}
constexpr std::uint64_t kInverseFive13 = inverse(kFive13);
constexpr std::uint64_t kLargestQuotient = UINT64_MAX / kFive13;
static_assert(kFive13 * kInverseFive13 == 1);

inline bool isDigit(char c)
{
    return unsigned(c) - '0' < 10;
}

// Digits at `p`, at least one and at most `most`, into `value`.
inline bool digits(const char *&p, int most, std::uint64_t &value)
{
    const char *const start = p;
    std::uint64_t v = 0;
    while (isDigit(*p)) {
        v = v * 10 + unsigned(*p - '0');
        ++p;
    }
    value = v;
    return p != start && p - start <= most;
}

// Whole digits, then optionally "." and 1..9 decimals, in billionths.
inline bool billionths(const char *&p, int mostWhole, std::uint64_t &value)
{
    std::uint64_t whole = 0, fraction = 0;
    if (!digits(p, mostWhole, whole))
        return false;
    int decimals = 0;
    if (*p == '.') {
        const char *const start = ++p;
        if (!digits(p, kMaxDecimals, fraction))
            return false;
        decimals = int(p - start);
    }
    value = whole * kNsPerSecond + fraction * kPow10[kMaxDecimals - decimals];
    return true;
}

std::string quoted(const char *begin, const char *end)
{
    return "“" + std::string(begin, end) + "”";
}

} // namespace

std::string secondsText(std::int64_t ns)
{
    const bool negative = ns < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(ns) : std::uint64_t(ns);
    std::string fraction = std::to_string(magnitude % kNsPerSecond);
    fraction.insert(0, 9 - fraction.size(), '0');
    while (fraction.size() > 6 && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + std::to_string(magnitude / kNsPerSecond) + "." + fraction;
}

RowParser::RowParser(const Heading &heading)
{
    for (const ChannelRange &c : heading.channels) {
        const bool bipolar = inputrange::isBipolar(c.range);
        const int shift = inputrange::fullScaleMillivolts(c.range) / 5000 / 2; // 1, 2, 4 to 0, 1, 2
        m_columns.push_back(
            {c.range, shift, bipolar ? -2048 : 0, bipolar ? 2047 : 4095, columnName(c.channel)});
    }
}

bool RowParser::parse(const char *begin, const char *end, RowBlock &rows, RowProblem &problem) const
{
    const std::size_t channels = m_columns.size();
    const std::size_t most = std::size_t(end - begin) / (4 + 2 * channels) + 1;
    rows.scans.reserve(rows.count + most);
    rows.times.reserve(rows.count + most);
    rows.codes.reserve((rows.count + most) * channels);
    std::int64_t line = 0;
    for (const char *p = begin; p < end; ++line) {
        const char *const start = p;
        std::uint64_t scan = 0, time = 0;
        bool good = digits(p, kMaxScanDigits, scan) && *p++ == ',' &&
                    billionths(p, kMaxSecondDigits, time) && *p == ',';
        for (std::size_t c = 0; good && c < channels; ++c) {
            const Column &column = m_columns[c];
            ++p; // the comma
            const bool negative = *p == '-';
            p += negative;
            std::uint64_t value = 0;
            if (!billionths(p, kMaxMillivoltDigits, value) ||
                (*p != ',' && *p != '\r' && *p != '\n')) {
                good = false;
                break;
            }
            const std::uint64_t quotient = value * kInverseFive13;
            const int code =
                negative ? -int(quotient >> column.shift) : int(quotient >> column.shift);
            good = quotient <= kLargestQuotient &&
                   (quotient & ((std::uint64_t(1) << column.shift) - 1)) == 0 &&
                   code >= column.lowest && code <= column.highest &&
                   (c + 1 == channels) == (*p != ',');
            rows.codes.push_back(std::int16_t(code));
        }
        if (good && *p == '\r')
            ++p;
        if (good && *p == '\n' && rows.count > 0) {
            const std::string order = orderProblem(rows.scans.back(), rows.times.back(),
                                                   std::int64_t(scan), std::int64_t(time));
            if (!order.empty()) {
                rows.codes.resize(rows.count * channels);
                problem = {line, order};
                return false;
            }
        }
        if (!good || *p != '\n') {
            rows.codes.resize(rows.count * channels);
            const char *lineEnd =
                static_cast<const char *>(std::memchr(start, '\n', std::size_t(end - start)));
            problem = {line, diagnose(start, lineEnd ? lineEnd : end)};
            return false;
        }
        ++p;
        rows.scans.push_back(std::int64_t(scan));
        rows.times.push_back(std::int64_t(time));
        ++rows.count;
    }
    return true;
}

std::string RowParser::orderProblem(std::int64_t previousScan, std::int64_t previousNs,
                                    std::int64_t scan, std::int64_t timeNs)
{
    if (scan <= previousScan)
        return "扫描号 " + std::to_string(scan) + " 不大于上一行的 " + std::to_string(previousScan);
    if (timeNs < previousNs)
        return "时间 " + secondsText(timeNs) + " s 早于上一行的 " + secondsText(previousNs) + " s";
    return {};
}

// The slow way, once, for the line refused: which field, and why.
std::string RowParser::diagnose(const char *line, const char *end) const
{
    if (end > line && end[-1] == '\r')
        --end;
    std::vector<std::pair<const char *, const char *>> fields;
    for (const char *p = line;;) {
        const char *comma = static_cast<const char *>(std::memchr(p, ',', std::size_t(end - p)));
        fields.emplace_back(p, comma ? comma : end);
        if (!comma)
            break;
        p = comma + 1;
    }
    const std::size_t expected = 2 + m_columns.size();
    if (fields.size() != expected)
        return "有 " + std::to_string(fields.size()) + " 个字段，应为 " + std::to_string(expected) +
               " 个";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const char *p = fields[i].first, *const to = fields[i].second;
        std::uint64_t value = 0;
        if (i == 0) {
            if (!digits(p, kMaxScanDigits, value) || p != to)
                return "scan 的 " + quoted(fields[i].first, to) + " 不是扫描号";
        } else if (i == 1) {
            if (!billionths(p, kMaxSecondDigits, value) || p != to)
                return "time_s 的 " + quoted(fields[i].first, to) +
                       " 不是以秒计的时间（至多 9 位小数）";
        } else {
            const Column &column = m_columns[i - 2];
            p += *p == '-';
            if (!billionths(p, kMaxMillivoltDigits, value) || p != to)
                return column.name + " 的 " + quoted(fields[i].first, to) + " 不是毫伏数";
            const std::uint64_t quotient = value * kInverseFive13;
            const std::int64_t code =
                std::int64_t(quotient >> column.shift) * (*fields[i].first == '-' ? -1 : 1);
            if (quotient > kLargestQuotient ||
                (quotient & ((std::uint64_t(1) << column.shift) - 1)) != 0 ||
                code < column.lowest || code > column.highest)
                return column.name + " 的 " + std::string(fields[i].first, to) + " mV 不是量程 " +
                       std::string(rangetext::name(column.range)) + " 的码值所能给出的值";
        }
    }
    return "这一行不是数据行";
}

} // namespace logformat
