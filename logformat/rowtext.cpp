#include "logformat/rowtext.h"

#include "device/inputrange.h"
#include "device/rangetext.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace logformat {

// Indexed by the code's 12 bits, so a bipolar code -1 is entry 4095.
struct MillivoltTable
{
    struct Text
    {
        // The longest text is 14 bytes ("4998.779296875"); 23 makes an entry
        // 24 bytes with its length, copied whole in a few moves of fixed size.
        char text[23];
        unsigned char length;
    };
    std::array<Text, 4096> byCode;

    explicit MillivoltTable(int range)
    {
        for (int bits = 0; bits < 4096; ++bits) {
            const int code = inputrange::isBipolar(range) && bits >= 2048 ? bits - 4096 : bits;
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
                           const std::int16_t *codes) const
{
    // Written in place, a field at a time: this runs once a scan, at -r max
    // millions of times a second.
    char *end = std::to_chars(row, row + 20, scan).ptr;
    *end++ = ',';
    const std::int64_t us = timeNs / 1000;
    end = std::to_chars(end, end + 20, us / 1'000'000).ptr;
    *end++ = '.';
    for (int i = 5, rest = int(us % 1'000'000); i >= 0; --i, rest /= 10)
        end[i] = char('0' + rest % 10);
    end += 6;
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
