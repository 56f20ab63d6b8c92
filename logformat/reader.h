#pragma once
#include "logformat/heading.h"
#include "logformat/recording.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Reading a recording: one file, or the parts of a split set, read in blocks
// (never mapped whole) and parsed on up to two threads, or followed while the
// recorder is still writing it. Failures throw RecordingError, one line naming
// the file and line.
namespace logformat {

class FileRows;

struct ReadOptions
{
    // How a name (the system's bytes) is shown in messages; as it is when unset.
    std::function<std::string(const std::string &)> shown;
    // Threads that parse: 0 for one a core, at most kMostThreads.
    int threads = 0;
    // Told now and then while reading: bytes read and bytes in all.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    // Bytes of raw rows held at most, 0 for the default (half the machine's
    // memory); beyond it rows are read back from the files where they are
    // looked at. Min/max levels, sums and gaps are held whole.
    std::size_t pageBytes = 0;
};

inline constexpr int kMostThreads = 2;

// Whether `name` is meant as a recording by what it holds (it begins with a
// "#" line, as a recording and no sample file does; whether it is a good one
// reading tells), or names a split set whose parts lie beside it (run.csv for
// run-0001.csv, ...). Anything else, a missing file included, is not.
bool isRecording(const std::string &name);

class RecordingReader
{
public:
    // `name` is a recording's file, a split set's name or any of its parts.
    explicit RecordingReader(std::string name, ReadOptions options = {});
    ~RecordingReader();
    RecordingReader(const RecordingReader &) = delete;
    RecordingReader &operator=(const RecordingReader &) = delete;

    // Reads every whole line of every file of the recording as they are
    // now, the rows in the order of the files. A last line without its line
    // end is left out (notes() tells of it). Throws RecordingError, also for
    // a recording without rows. `following`: a recording still being written,
    // where a heading not yet all there gives nullptr (try again later) and
    // no rows yet are no fault.
    const Recording *read(bool following = false);

    // Following, after read(): reads the rows appended to the last file
    // since, and the next part of a split set once it has appeared, whole
    // lines only; a line still being written waits for its line end. Returns
    // the rows added. Throws RecordingError for a bad row, or when a file
    // got shorter (another program wrote over it). Cheap when nothing came:
    // meant to be called from a timer. `nowNs`, the time on the caller's
    // monotonic clock, is what quietNs() counts from.
    std::int64_t readMore(std::int64_t nowNs = 0);

    // Whether the recording has ended: its last file is no longer open for
    // writing by any program, seen at two calls of readMore() in a row with
    // nothing new between them. False while that cannot be told (the system
    // does not say): then quietNs() is all there is to go by.
    bool ended() const { return m_ended; }
    // How long no rows have come, by the times given to readMore().
    std::int64_t quietNs(std::int64_t nowNs) const { return nowNs - m_lastGrowthNs; }

    const Recording &recording() const { return *m_recording; }
    std::unique_ptr<Recording> takeRecording() { return std::move(m_recording); }

    // The files read, in order, as given to the system and as shown.
    std::vector<std::string> files() const;
    std::vector<std::string> shownFiles() const;
    // What was read but left out: a torn last line, a part without rows, a
    // file among the parts that belongs to another recording. One line each,
    // naming the file and line.
    std::vector<std::string> notes() const;

private:
    struct Part;
    struct Pool;

    std::string shown(const std::string &name) const;
    void findFiles(bool following);
    void checkChannels(const Part &part) const;
    std::unique_ptr<Part> openPart(const std::string &name, int number, bool following);
    bool readHeadingOf(Part &part, bool following);
    void readBody(Part &part, bool parallel);
    // `rows` parsed from [text, textEnd), which lies at byte `at` of the part's file.
    void takeRows(Part &part, const RowBlock &rows, const char *text, const char *textEnd,
                  std::int64_t at);
    bool nextPartAppeared();

    std::string m_name;
    ReadOptions m_options;
    std::string m_set; // the split set's name, empty for a single file
    std::vector<std::unique_ptr<Part>> m_parts;
    std::vector<std::string> m_skipped; // notes of files left out
    std::unique_ptr<Recording> m_recording;
    std::shared_ptr<FileRows> m_rows; // the recording's files, to read pages back from
    std::int64_t m_lastScan = -1;
    std::int64_t m_lastNs = INT64_MIN;
    std::int64_t m_bytesTotal = 0;
    std::int64_t m_bytesDone = 0;
    std::int64_t m_lastGrowthNs = 0;
    int m_quietChecks = 0; // readMore() calls in a row without a writer or news
    bool m_ended = false;
};

} // namespace logformat
