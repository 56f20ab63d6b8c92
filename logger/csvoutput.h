#pragma once
#include "logformat/rowtext.h"
#include "logger/options.h"
#include "logger/outputfile.h"
#include "logger/syncer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The recording's CSV (RFC 4180, CRLF) in the format of logformat/: a few "#"
// lines saying what was recorded, the header scan,time_s,chN_mV,... and one
// row per scan. Rows are
// held and handed to the system in whole lines, at the latest half a second
// after they were taken, and synced to disk every few seconds on another
// thread; the "#" lines and the header are written at once, and synced. With
// --split every part is a whole file of its own; a part name that another
// program takes during the recording is left to it, and the recording goes on
// in the next free number. A file that got no row is removed.
class CsvOutput
{
public:
    // `say` tells the user of a part name found taken.
    CsvOutput(const logoptions::Options &options, std::function<void(const std::string &)> say);
    ~CsvOutput();
    CsvOutput(const CsvOutput &) = delete;
    CsvOutput &operator=(const CsvOutput &) = delete;

    // Creates the (first) file and writes its heading, which gives the start
    // in UTC and then `notes` ("#" lines of their own). Throws LogError.
    void open(const std::string &startUtc, std::vector<std::string> notes);
    bool isOpen() const { return m_file != nullptr; }
    bool wasOpened() const { return m_opened; }

    // Times are nanoseconds since the start of the recording.

    // Adds scan number `scan`, taken at `timeNs`, with one code per channel in
    // the options' order.
    void add(std::int64_t scan, std::int64_t timeNs, const std::int16_t *codes);
    // Writes the held rows when they have waited long enough or would wait too
    // long for the next scan, due at `nextDue`, and asks for a sync when one is
    // due. Throws LogError for a failed write or sync.
    void writeWhenDue(std::int64_t now, std::int64_t nextDue);
    // Writes everything, syncs it to disk and closes the file.
    void finish();
    // After a failure: closes the file, removing it when no row reached it.
    // Throws nothing.
    void abandon();

    // What the system has taken so far.
    std::uint64_t bytes() const { return m_written; }
    std::int64_t rows() const { return m_rowsWritten; }
    // The times of the first and the last of them, -1 before any.
    std::int64_t firstNs() const { return m_firstWrittenNs; }
    std::int64_t lastNs() const { return m_lastWrittenNs; }
    // The file or files written, for the summary.
    std::string names() const;

private:
    void startPart(int part);
    void writeHeld();
    std::string fileName(int part) const;

    const logoptions::Options &m_options;
    std::function<void(const std::string &)> m_say;
    std::set<int> m_replaceable; // the parts there at the start, for --force
    std::string m_startUtc;
    std::vector<std::string> m_notes;
    logformat::RowText m_rowText;
    std::shared_ptr<OutputFile> m_file;
    Syncer m_syncer;
    std::string m_held;
    std::uint64_t m_written = 0;
    std::int64_t m_heldSince = INT64_MAX; // when the oldest held row was taken
    std::int64_t m_lastSync = 0;
    bool m_unsynced = false;
    int m_part = 0;
    std::int64_t m_partBytes = 0;
    std::int64_t m_partRows = 0;
    std::int64_t m_partRowsWritten = 0;
    bool m_opened = false;
    int m_parts = 0;        // files made and kept
    int m_previousPart = 0; // the number of the part before this one
    std::int64_t m_rowsHeld = 0;
    std::int64_t m_rowsWritten = 0;
    std::int64_t m_partEndsNs = 0;
    std::int64_t m_lastTimeNs = -1; // of the row before, for its time's decimals
    std::int64_t m_heldLastNs = -1; // when the newest held row was taken
    std::int64_t m_firstWrittenNs = -1, m_lastWrittenNs = -1;
};
