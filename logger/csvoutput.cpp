#include "logger/csvoutput.h"

#include "readings/inputrange.h"
#include "readings/rangetext.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

// The exact millivolt text of every code of one range, worked out once so that
// a row costs one copy per channel. Indexed by the code's 12 bits, so a
// bipolar code -1 is entry 4095.
struct MillivoltTable
{
    // An entry is copied whole, its 24 bytes a few moves: room for the longest
    // text and its length.
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

namespace {

constexpr std::size_t kHoldBytes = 64 * 1024;
constexpr std::int64_t kHoldNs = 500'000'000;
constexpr std::int64_t kSyncNs = 5'000'000'000;
constexpr std::int64_t kNothingHeld = INT64_MAX;

// Scan number, time and the commas, CRLF, and room to copy a whole entry of
// a table for each of up to 8 channels.
constexpr std::size_t kMaxRowLength = 64 + 8 * (1 + sizeof(MillivoltTable::Text));

} // namespace

CsvOutput::CsvOutput(const logoptions::Options &options) : m_options(options)
{
    std::shared_ptr<const MillivoltTable> byRange[inputrange::kCount];
    for (const logoptions::ChannelRange &c : options.channels) {
        if (!byRange[c.range])
            byRange[c.range] = std::make_shared<const MillivoltTable>(c.range);
        m_tables.push_back(byRange[c.range]);
    }
    m_held.reserve(kHoldBytes + 512);
}

CsvOutput::~CsvOutput() = default;

std::string CsvOutput::fileName(int part) const
{
    return m_options.split() ? logoptions::partName(m_options.output, part) : m_options.output;
}

void CsvOutput::open(const std::string &startUtc)
{
    m_startUtc = startUtc;
    startPart(1);
}

void CsvOutput::startPart(int part)
{
    if (m_file) {
        writeHeld();
        m_syncer.syncAndClose(std::move(m_file));
    }
    m_file = m_options.toStandardOutput() ? OutputFile::standardOutput()
                                          : OutputFile::create(fileName(part), m_options.force);
    m_part = part;
    m_partBytes = 0;
    m_partRows = 0;
    if (m_options.splitNs)
        m_partEndsNs += *m_options.splitNs;

    const std::size_t before = m_held.size();
    m_held += "# zk61ar-log " ZK61AR_VERSION "\r\n# start: " + m_startUtc + "\r\n# rate: ";
    m_held += m_options.rate > 0 ? m_options.rateText + " scans/s\r\n" : "max\r\n";
    for (const logoptions::ChannelRange &c : m_options.channels) {
        m_held += "# ch" + std::to_string(c.channel) + ": ";
        m_held += rangetext::name(c.range);
        m_held += "\r\n";
    }
    if (m_options.split())
        m_held += "# part: " + std::to_string(part) + "\r\n";
    m_held += "scan,time_s";
    for (const logoptions::ChannelRange &c : m_options.channels)
        m_held += ",ch" + std::to_string(c.channel) + "_mV";
    m_held += "\r\n";
    m_partBytes += std::int64_t(m_held.size() - before);
}

void CsvOutput::add(std::int64_t scan, std::int64_t timeNs, const std::int16_t *codes)
{
    // Written in place, a field at a time: this runs once a scan, at -r max
    // millions of times a second.
    char row[kMaxRowLength];
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
    const auto length = std::size_t(end - row);

    // A new part before the row that would take this one past its size, or
    // at the first row past its time.
    if (m_partRows > 0 &&
        ((m_options.splitBytes && m_partBytes + std::int64_t(length) > *m_options.splitBytes) ||
         (m_options.splitNs && timeNs >= m_partEndsNs))) {
        if (m_options.splitNs)
            m_partEndsNs = timeNs / *m_options.splitNs * *m_options.splitNs;
        startPart(m_part + 1);
    }
    if (m_heldSince == kNothingHeld)
        m_heldSince = timeNs;
    m_held.append(row, length);
    m_partBytes += std::int64_t(length);
    ++m_partRows;
    ++m_rowsHeld;
}

void CsvOutput::writeWhenDue(std::int64_t now, std::int64_t nextDue)
{
    m_syncer.throwIfFailed();
    if (m_heldSince != kNothingHeld &&
        (m_held.size() >= kHoldBytes || nextDue - m_heldSince >= kHoldNs))
        writeHeld();
    // Synced now when waiting for the next scan would leave the rows written
    // too long unsynced.
    if (m_unsynced && nextDue - m_lastSync >= kSyncNs) {
        m_syncer.sync(m_file);
        m_lastSync = now;
        m_unsynced = false;
    }
}

void CsvOutput::writeHeld()
{
    if (!m_held.empty()) {
        m_file->write(m_held.data(), m_held.size());
        m_written += m_held.size();
        m_rowsWritten += m_rowsHeld;
        m_rowsHeld = 0;
        m_held.clear();
        m_unsynced = true;
    }
    m_heldSince = kNothingHeld;
}

void CsvOutput::finish()
{
    if (!m_file)
        return;
    writeHeld();
    m_syncer.waitUntilDone();
    m_file->sync();
    m_file->close();
    m_file.reset();
}

std::string CsvOutput::names() const
{
    if (m_options.toStandardOutput())
        return OutputFile::kStandardOutput;
    if (m_part <= 1)
        return fileName(1);
    return fileName(1) + " … " + fileName(m_part) + "（" + std::to_string(m_part) + " 个文件）";
}
