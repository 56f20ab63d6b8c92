#include "logformat/rowtext.h"

#include "readings/inputrange.h"
#include "readings/rangetext.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace logformat {

// Indexed by the code's 12 bits, so a bipolar code -1 is entry 4095.
struct MillivoltTable
{
    // An entry is copied whole, its 24 bytes a few moves of fixed size: room
    // for the longest text and its length.
    struct Text
    {
        char text[23];
        unsigned char length;
    };
    static_assert(sizeof(Text::text) >= rangetext::kLongestMillivolts);
    std::array<Text, inputrange::kCodes> byCode;

    explicit MillivoltTable(int range)
    {
        for (int bits = 0; bits < inputrange::kCodes; ++bits) {
            const int code = inputrange::codeOfBits(bits, range);
            char text[rangetext::kMaxExactLength];
            const char *end = rangetext::writeMillivolts(text, code, range);
            Text &entry = byCode[std::size_t(bits)];
            entry.length = static_cast<unsigned char>(end - text);
            std::copy(text, text + entry.length, entry.text);
        }
    }
};

// Scan number, time and the commas, CRLF, and room to copy a whole entry of
// a table for each of up to 8 channels.
static_assert(64 + 8 * (1 + sizeof(MillivoltTable::Text)) == RowText::kMaxLength);

RowText::RowText(const std::vector<ChannelRange> &channels)
{
    std::shared_ptr<const MillivoltTable> byRange[inputrange::kCount];
    for (const ChannelRange &c : channels) {
        if (!byRange[c.range])
            byRange[c.range] = std::make_shared<const MillivoltTable>(c.range);
        m_tables.push_back(byRange[c.range]);
    }
}

RowText::~RowText() = default;

std::size_t RowText::write(char *row, std::int64_t scan, std::int64_t timeNs,
                           const std::int16_t *codes, std::int64_t previousNs) const
{
    // Written in place, a field at a time: this runs once a scan, at -r max
    // millions of times a second.
    char *end = std::to_chars(row, row + 20, scan).ptr;
    *end++ = ',';
    const bool nanoseconds = previousNs >= 0 && previousNs / 1000 == timeNs / 1000;
    const int decimals = nanoseconds ? 9 : 6;
    const std::int64_t units = nanoseconds ? timeNs : timeNs / 1000;
    const std::int64_t perSecond = nanoseconds ? 1'000'000'000 : 1'000'000;
    end = std::to_chars(end, end + 20, units / perSecond).ptr;
    *end++ = '.';
    for (int i = decimals - 1, rest = int(units % perSecond); i >= 0; --i, rest /= 10)
        end[i] = char('0' + rest % 10);
    end += decimals;
    for (std::size_t i = 0; i < m_tables.size(); ++i) {
        const MillivoltTable::Text &mv = m_tables[i]->byCode[std::size_t(codes[i]) & 0xFFF];
        *end++ = ',';
        std::memcpy(end, mv.text, sizeof mv.text); // the whole entry: a few moves
        end += mv.length;
    }
    *end++ = '\r';
    *end++ = '\n';
    return std::size_t(end - row);
}

} // namespace logformat
