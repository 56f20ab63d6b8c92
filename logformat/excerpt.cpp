#include "logformat/excerpt.h"

#include "logformat/rowtext.h"

#include <cstdio>
#include <vector>

namespace logformat {

namespace {
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t &y, unsigned &m, unsigned &d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = std::int64_t(yoe) + era * 400 + (m <= 2);
}

bool digits(const std::string &text, std::size_t at, std::size_t count, int &value)
{
    value = 0;
    if (at + count > text.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}
} // namespace

std::optional<std::string> startPlus(const std::string &start, std::int64_t ns)
{
    int year, month, day, hour, minute, second;
    if (!digits(start, 0, 4, year) || start[4] != '-' || !digits(start, 5, 2, month) ||
        start[7] != '-' || !digits(start, 8, 2, day) || start[10] != 'T' ||
        !digits(start, 11, 2, hour) || start[13] != ':' || !digits(start, 14, 2, minute) ||
        start[16] != ':' || !digits(start, 17, 2, second) || month < 1 || month > 12 ||
        day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::size_t at = 19;
    int decimals = 0;
    std::int64_t fraction = 0;
    if (at < start.size() && start[at] == '.') {
        for (++at; at < start.size() && start[at] >= '0' && start[at] <= '9'; ++at) {
            if (++decimals > 9)
                return std::nullopt;
            fraction = fraction * 10 + (start[at] - '0');
        }
        if (decimals == 0)
            return std::nullopt;
    }
    if (at + 1 != start.size() || start[at] != 'Z')
        return std::nullopt;
    for (int d = decimals; d < 9; ++d)
        fraction *= 10;
    const std::int64_t seconds = daysFromCivil(year, unsigned(month), unsigned(day)) *
                                     kSecondsPerDay +
                                 hour * 3600 + minute * 60 + second;
    std::int64_t total = fraction + ns;
    std::int64_t whole = seconds + total / kNsPerSecond;
    total %= kNsPerSecond;
    if (total < 0) {
        total += kNsPerSecond;
        --whole;
    }
    // More decimals only where the sum has them.
    std::int64_t shown = total;
    int places = 9;
    while (places > decimals && shown % 10 == 0) {
        shown /= 10;
        --places;
    }
    std::int64_t days = whole / kSecondsPerDay, ofDay = whole % kSecondsPerDay;
    if (ofDay < 0) {
        ofDay += kSecondsPerDay;
        --days;
    }
    std::int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    char text[64];
    int length = std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld",
                               static_cast<long long>(y), m, d,
                               static_cast<long long>(ofDay / 3600),
                               static_cast<long long>(ofDay / 60 % 60),
                               static_cast<long long>(ofDay % 60));
    if (places > 0)
        length += std::snprintf(text + length, sizeof text - std::size_t(length), ".%0*lld",
                                places, static_cast<long long>(shown));
    return std::string(text, std::size_t(length)) + "Z";
}

std::string excerptText(const Recording &recording, std::int64_t first, std::int64_t end,
                        const std::string &source)
{
    Heading heading = recording.heading();
    heading.part = 0;
    std::int64_t shift = recording.timeNs(first);
    if (const std::optional<std::string> start = startPlus(heading.start, shift))
        heading.start = *start;
    else
        shift = 0;
    heading.otherLines.push_back("# source: " + source);
    std::string text = headingText(heading);
    const RowText rowText(heading.channels);
    const int channels = recording.channels();
    std::vector<std::int16_t> codes(static_cast<std::size_t>(channels));
    char row[RowText::kMaxLength];
    text.reserve(text.size() + std::size_t(end - first) * (20 + 14 * std::size_t(channels)));
    for (std::int64_t r = first; r < end; ++r) {
        for (int c = 0; c < channels; ++c)
            codes[std::size_t(c)] = recording.code(c, r);
        text.append(row, rowText.write(row, recording.scan(r), recording.timeNs(r) - shift,
                                       codes.data()));
    }
    return text;
}

} // namespace logformat
