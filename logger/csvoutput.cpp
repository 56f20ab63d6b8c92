#include "logger/csvoutput.h"

#include "logformat/heading.h"
#include "logformat/splitset.h"
#include "logger/logerror.h"

#include <cstdint>

namespace {

constexpr std::size_t kHoldBytes = 64 * 1024;
constexpr std::int64_t kHoldNs = 500'000'000;
constexpr std::int64_t kSyncNs = 5'000'000'000;
constexpr std::int64_t kNothingHeld = INT64_MAX;

std::vector<logformat::ChannelRange> channelsOf(const logoptions::Options &options)
{
    std::vector<logformat::ChannelRange> channels;
    for (const logoptions::ChannelRange &c : options.channels)
        channels.push_back({c.channel, c.range});
    return channels;
}

} // namespace

CsvOutput::CsvOutput(const logoptions::Options &options,
                     std::function<void(const std::string &)> say)
    : m_options(options), m_say(std::move(say)), m_rowText(channelsOf(options))
{
    m_held.reserve(kHoldBytes + 512);
    // What --force may replace: the parts checked before the start. Any
    // other name found taken later is another program's.
    if (options.split() && options.force)
        for (const auto &part : logformat::partsIn(options.output))
            m_replaceable.insert(part.first);
}

CsvOutput::~CsvOutput() = default;

std::string CsvOutput::fileName(int part) const
{
    return m_options.split() ? logformat::partName(m_options.output, part) : m_options.output;
}

void CsvOutput::open(const std::string &startUtc, std::vector<std::string> notes)
{
    m_startUtc = startUtc;
    m_notes = std::move(notes);
    startPart(1);
}

void CsvOutput::startPart(int part)
{
    if (m_file) {
        writeHeld();
        m_syncer.syncAndClose(std::move(m_file));
    }
    if (m_options.toStandardOutput()) {
        m_file = OutputFile::standardOutput();
    } else if (!m_options.split()) {
        m_file = OutputFile::create(fileName(part), m_options.force);
    } else {
        while (!(m_file = OutputFile::createUnlessTaken(fileName(part),
                                                        m_replaceable.count(part) > 0))) {
            m_say(fileName(part) + " 已被另一个程序占用，改写入 " + fileName(part + 1));
            ++part;
        }
    }
    m_opened = true;
    m_previousPart = m_part;
    m_part = part;
    ++m_parts;
    m_partBytes = 0;
    m_partRows = 0;
    m_partRowsWritten = 0;
    if (m_options.splitNs)
        m_partEndsNs += *m_options.splitNs;

    logformat::Heading heading;
    heading.version = ZK61AR_VERSION;
    heading.start = m_startUtc;
    heading.rateText = m_options.rate > 0 ? m_options.rateText : logformat::kRateMax;
    heading.channels = channelsOf(m_options);
    heading.part = m_options.split() ? part : 0;
    heading.otherLines = m_notes;
    // At once, and to the disk: a recording killed before its first rows are
    // written still says what it is.
    const std::string text = logformat::headingText(heading);
    m_file->write(text.data(), text.size());
    m_written += text.size();
    m_partBytes += std::int64_t(text.size());
    m_syncer.sync(m_file);
}

void CsvOutput::add(std::int64_t scan, std::int64_t timeNs, const std::int16_t *codes)
{
    char row[logformat::RowText::kMaxLength];
    const std::size_t length = m_rowText.write(row, scan, timeNs, codes, m_lastTimeNs);
    m_lastTimeNs = timeNs;

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
    m_heldLastNs = timeNs;
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
        if (m_rowsHeld > 0) {
            if (m_firstWrittenNs < 0)
                m_firstWrittenNs = m_heldSince;
            m_lastWrittenNs = m_heldLastNs;
        }
        m_written += m_held.size();
        m_rowsWritten += m_rowsHeld;
        m_partRowsWritten += m_rowsHeld;
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
    if (m_partRowsWritten == 0) {
        abandon();
        return;
    }
    m_file->sync();
    m_file->close();
    m_file.reset();
}

void CsvOutput::abandon()
{
    if (!m_file)
        return;
    try {
        m_syncer.waitUntilDone();
    } catch (const LogError &) {
        // The failure that brought us here was said already.
    }
    if (m_partRowsWritten == 0) {
        m_file->closeAndRemove();
        --m_parts;
        m_part = m_previousPart;
    } else {
        try {
            m_file->close();
        } catch (const LogError &) {
        }
    }
    m_file.reset();
}

std::string CsvOutput::names() const
{
    if (m_options.toStandardOutput())
        return OutputFile::kStandardOutput;
    if (m_parts == 0)
        return "（没有一行写入，文件已删除）";
    if (!m_options.split())
        return fileName(1);
    if (m_parts <= 1)
        return fileName(m_part);
    return fileName(1) + " … " + fileName(m_part) + "（" + std::to_string(m_parts) + " 个文件）";
}
