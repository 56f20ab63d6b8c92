#include "logformat/reader.h"

#include "system/file.h"
#include "system/process.h"
#include "logformat/filerows.h"
#include "logformat/recordingerror.h"
#include "logformat/rowparser.h"
#include "logformat/splitset.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace logformat {

namespace {
// What every file of a recording begins with. No sample file can: as its
// first code, these two bytes would be 8227, which no range gives.
constexpr char kCommentStart[] = "# ";
// Enough for any heading: more is a file of something else.
constexpr std::size_t kHeadingBytes = 64 * 1024;
// Text is parsed in blocks of whole lines of about this size, a few at a time.
constexpr std::size_t kBlockBytes = 2 * 1024 * 1024;
// readMore() calls in a row that must find no writer and nothing new before
// a recording counts as ended: between closing one part and creating the
// next the recorder holds neither open.
constexpr int kEndedChecks = 2;
// No row comes near this; a file with longer lines is something else.
constexpr std::size_t kLongestLine = 64 * 1024;
constexpr double kGuessedMore = 1.02;
// Raw rows held at most unless told otherwise: half the machine's memory (an
// hour of eight channels at 1000 scans/s takes 86 MB), or 1 GB where the
// system does not say; on a 32-bit build at most 512 MB of its address space.
// Beyond it rows are read back where they are looked at.
std::size_t defaultPageBytes()
{
    constexpr std::uint64_t kMB = 1024 * 1024;
    const std::uint64_t most = sizeof(void *) > 4 ? UINT64_MAX : 512 * kMB;
    const std::uint64_t memory = os::physicalMemory();
    return std::size_t(std::min(most, memory > 0 ? memory / 2 : 1024 * kMB));
}

int threadsFor(int asked)
{
    const int cores = int(std::thread::hardware_concurrency());
    const int threads = asked > 0 ? asked : std::max(1, cores);
    return std::min(threads, kMostThreads);
}

std::string reasonOf(os::Error error)
{
    return os::errorText(error);
}
} // namespace

struct RecordingReader::Part
{
    std::string name, shown;
    int number = 0; // in the split set; 0 for a single file
    std::shared_ptr<os::File> file = std::make_shared<os::File>(); // shared with m_rows
    int rowsPart = -1; // its number in m_rows, once its rows are read
    HeadingRead heading;
    bool headingRead = false;
    std::int64_t offset = 0; // of the first byte not yet taken into rows
    std::int64_t lines = 0;  // lines taken, the heading's included
    std::int64_t rows = 0;
    std::string tail;      // bytes after the last line end
    std::int64_t size = 0; // when last looked at
};

// Parses blocks of text on worker threads, the caller's thread helping while
// it waits; hands the results back in the order the blocks were given.
struct RecordingReader::Pool
{
    struct Job
    {
        // Whole lines: the last block's tail, then what was read after it.
        std::unique_ptr<char[]> text{new char[kLongestLine + kBlockBytes]};
        std::size_t size = 0;
        std::int64_t at = 0; // the text's offset in the file
        RowBlock rows;
        RowProblem problem;
        bool good = true;
        bool started = false, done = false;
    };

    Pool(const RowParser &parser, int threads) : m_parser(parser)
    {
        for (int i = 1; i < threads; ++i)
            m_workers.emplace_back([this] { work(); });
    }
    ~Pool()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        for (std::thread &t : m_workers)
            t.join();
    }

    std::size_t waiting() const { return m_jobs.size(); }

    // A job to fill, one given back if there is one: their buffers are
    // reused, so that reading costs no fresh memory block after block.
    std::unique_ptr<Job> fresh()
    {
        if (m_free.empty())
            return std::make_unique<Job>();
        std::unique_ptr<Job> job = std::move(m_free.back());
        m_free.pop_back();
        job->size = 0;
        job->rows.clear();
        job->good = true;
        job->started = job->done = false;
        return job;
    }
    void giveBack(std::unique_ptr<Job> job) { m_free.push_back(std::move(job)); }
    std::size_t most() const { return 2 * (m_workers.size() + 1); }

    void give(std::unique_ptr<Job> job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_one();
    }

    // The oldest job, done.
    std::unique_ptr<Job> take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_jobs.front()->done) {
            if (Job *job = unstarted()) {
                lock.unlock();
                run(*job);
                lock.lock();
                job->done = true;
                continue;
            }
            m_done.wait(lock);
        }
        std::unique_ptr<Job> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        return job;
    }

private:
    Job *unstarted()
    {
        for (const std::unique_ptr<Job> &job : m_jobs)
            if (!job->started) {
                job->started = true;
                return job.get();
            }
        return nullptr;
    }

    void run(Job &job) const
    {
        job.good = m_parser.parse(job.text.get(), job.text.get() + job.size, job.rows, job.problem);
    }

    void work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            Job *job = nullptr;
            m_wake.wait(lock, [&] { return m_quit || (job = unstarted()) != nullptr; });
            if (m_quit)
                return;
            lock.unlock();
            run(*job);
            lock.lock();
            job->done = true;
            m_done.notify_all();
        }
    }

    const RowParser &m_parser;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::deque<std::unique_ptr<Job>> m_jobs;
    std::vector<std::unique_ptr<Job>> m_free;
    std::vector<std::thread> m_workers;
    bool m_quit = false;
};

bool isRecording(const std::string &name)
{
    if (os::kindOf(name) == os::Kind::Regular) {
        os::File file;
        char start[2] = {};
        std::size_t got = 0;
        return os::openForReading(name, file) == 0 &&
               os::readAt(file, 0, start, sizeof start, &got) == 0 && got == sizeof start &&
               start[0] == kCommentStart[0] && start[1] == kCommentStart[1];
    }
    return os::kindOf(name) == os::Kind::Missing && !partsIn(name).empty();
}

RecordingReader::RecordingReader(std::string name, ReadOptions options)
    : m_name(std::move(name)), m_options(std::move(options))
{
}

RecordingReader::~RecordingReader() = default;

std::string RecordingReader::shown(const std::string &name) const
{
    return m_options.shown ? m_options.shown(name) : name;
}

std::vector<std::string> RecordingReader::files() const
{
    std::vector<std::string> names;
    for (const std::unique_ptr<Part> &part : m_parts)
        names.push_back(part->name);
    return names;
}

std::vector<std::string> RecordingReader::shownFiles() const
{
    std::vector<std::string> names;
    for (const std::unique_ptr<Part> &part : m_parts)
        names.push_back(part->shown);
    return names;
}

std::vector<std::string> RecordingReader::notes() const
{
    std::vector<std::string> notes = m_skipped;
    for (const std::unique_ptr<Part> &part : m_parts) {
        if (part->headingRead && part->rows == 0 && m_parts.size() > 1)
            notes.push_back("文件 " + part->shown + " 只有表头，没有数据行");
        if (!part->tail.empty())
            notes.push_back(lineProblem(part->shown, part->lines + 1,
                                        "最后一行不完整（没有行尾），已略去；之前的行都在"));
    }
    return notes;
}

// The files: `m_name` alone, or the parts of the split set it names or is
// part of, by number, those of another recording (another start) left out.
void RecordingReader::findFiles(bool following)
{
    const os::Kind kind = os::kindOf(m_name);
    if (kind == os::Kind::Missing && !partsIn(m_name).empty()) {
        m_set = m_name;
    } else if (kind != os::Kind::Missing) {
        std::unique_ptr<Part> only = openPart(m_name, 0, following);
        const std::optional<PartOf> of = partOf(m_name);
        if (only->heading.heading.part == 0 || !of) {
            m_parts.push_back(std::move(only));
            return;
        }
        m_set = of->set;
    } else {
        throw RecordingError("文件 " + shown(m_name) + " 不存在");
    }

    const std::map<int, std::string> parts = partsIn(m_set);
    // The recording is the one the name given belongs to; for the set's own
    // name, that of its first part.
    std::string start;
    int previous = 0;
    for (const auto &[number, name] : parts) {
        if (number != previous + 1)
            throw RecordingError("分段录制 " + shown(m_set) + " 缺少第 " +
                                 std::to_string(previous + 1) + " 段：没有文件 " +
                                 shown(partName(m_set, previous + 1)));
        previous = number;
        std::unique_ptr<Part> part;
        try {
            part = openPart(name, number, following && number == parts.rbegin()->first);
        } catch (const RecordingError &) {
            if (name == m_name)
                throw;
            m_skipped.push_back("文件 " + shown(name) + " 不是这段录制的一部分，已略过");
            continue;
        }
        if (start.empty() && part->headingRead && (m_name == m_set || name == m_name))
            start = part->heading.heading.start;
        m_parts.push_back(std::move(part));
    }
    if (start.empty() && !m_parts.empty())
        start = m_parts.front()->heading.heading.start;
    const auto other = [&](const std::unique_ptr<Part> &p) {
        return p->heading.heading.start != start;
    };
    for (const std::unique_ptr<Part> &p : m_parts)
        if (other(p))
            m_skipped.push_back("文件 " + p->shown + " 属于另一次录制（开始于 " +
                                p->heading.heading.start + "），已略过");
    m_parts.erase(std::remove_if(m_parts.begin(), m_parts.end(), other), m_parts.end());
    if (m_parts.empty())
        throw RecordingError("分段录制 " + shown(m_set) + " 没有一个可读的分段");
}

std::unique_ptr<RecordingReader::Part> RecordingReader::openPart(const std::string &name,
                                                                 int number, bool following)
{
    auto part = std::make_unique<Part>();
    part->name = name;
    part->shown = shown(name);
    part->number = number;
    if (const os::Error error = os::openForReading(name, *part->file))
        throw RecordingError("无法打开文件 " + part->shown + "：" + reasonOf(error));
    if (os::kindOf(*part->file, &part->size) != os::Kind::Regular)
        throw RecordingError("文件 " + part->shown + " 不是普通文件");
    readHeadingOf(*part, following);
    return part;
}

// False when following and the heading is not all there yet.
bool RecordingReader::readHeadingOf(Part &part, bool following)
{
    os::kindOf(*part.file, &part.size);
    std::string text(std::size_t(std::min<std::int64_t>(part.size, kHeadingBytes)), '\0');
    std::size_t got = 0;
    if (const os::Error error = os::readAt(*part.file, 0, text.data(), text.size(), &got))
        throw RecordingError("无法读取文件 " + part.shown + "：" + reasonOf(error));
    const bool whole = got < kHeadingBytes && !following;
    const std::optional<HeadingRead> heading = readHeading(text.data(), got, part.shown, whole);
    if (!heading) {
        if (got >= kHeadingBytes)
            throw RecordingError("文件 " + part.shown +
                                 " 不是 zk61ar-log 的录制文件（前 64 KB 中没有表头）");
        return false;
    }
    part.heading = *heading;
    part.headingRead = true;
    part.offset = std::int64_t(heading->bytes);
    part.lines = heading->lines;
    return true;
}

void RecordingReader::takeRows(Part &part, const RowBlock &rows, const char *text,
                               const char *textEnd, std::int64_t at)
{
    if (rows.count == 0)
        return;
    if (m_lastScan >= 0) {
        const std::string order =
            RowParser::orderProblem(m_lastScan, m_lastNs, rows.scans.front(), rows.times.front());
        if (!order.empty())
            throw RecordingError(lineProblem(part.shown, part.lines + 1, order));
    }
    // Where the rows that begin pages lie, line feeds counted from the text's
    // start: each line of it is one row.
    const char *line = text;
    std::size_t lineRow = 0;
    m_recording->append(rows, [&](std::size_t row) {
        for (; lineRow < row; ++lineRow)
            line =
                static_cast<const char *>(std::memchr(line, '\n', std::size_t(textEnd - line))) + 1;
        return RowPlace{part.rowsPart, at + (line - text), part.lines + 1 + std::int64_t(row)};
    });
    m_lastScan = rows.scans.back();
    m_lastNs = rows.times.back();
    part.lines += std::int64_t(rows.count);
    part.rows += std::int64_t(rows.count);
}

// Every whole line of `part` from its offset to the end of what is there,
// on the pool's threads when `parallel`.
void RecordingReader::readBody(Part &part, bool parallel)
{
    const RowParser parser(part.heading.heading);
    if (part.rowsPart < 0)
        part.rowsPart = m_rows->add(part.shown, part.file, part.offset, part.lines + 1);
    Pool pool(parser, parallel ? threadsFor(m_options.threads) : 1);
    const auto finish = [&](std::unique_ptr<Pool::Job> job) {
        // Room for all the rows, guessed from the first block's, and a little
        // more: the levels then grow without copying.
        if (m_recording->rows() == 0 && job->rows.count > 0 && job->size > 0)
            m_recording->reserve(std::int64_t(double(m_bytesTotal) / double(job->size) *
                                              double(job->rows.count) * kGuessedMore));
        takeRows(part, job->rows, job->text.get(), job->text.get() + job->size, job->at);
        m_rows->taken(part.rowsPart, job->at + std::int64_t(job->size));
        if (!job->good)
            throw RecordingError(lineProblem(part.shown, part.lines + 1, job->problem.reason));
        pool.giveBack(std::move(job));
    };
    for (bool atEnd = false; !atEnd;) {
        std::unique_ptr<Pool::Job> job = pool.fresh();
        std::copy(part.tail.begin(), part.tail.end(), job->text.get());
        std::size_t got = 0;
        job->at = part.offset;
        const std::int64_t at = part.offset + std::int64_t(part.tail.size());
        if (const os::Error error =
                os::readAt(*part.file, at, job->text.get() + part.tail.size(), kBlockBytes, &got))
            throw RecordingError("无法读取文件 " + part.shown + "：" + reasonOf(error));
        atEnd = got < kBlockBytes;
        const char *const begin = job->text.get(), *const end = begin + part.tail.size() + got;
        const char *lastFeed = end;
        while (lastFeed > begin && lastFeed[-1] != '\n')
            --lastFeed;
        job->size = std::size_t(lastFeed - begin);
        part.tail.assign(lastFeed, end);
        const bool tooLong = part.tail.size() > kLongestLine;
        atEnd = atEnd || tooLong;
        part.offset += std::int64_t(job->size);
        m_bytesDone += std::int64_t(got);
        if (job->size > 0)
            pool.give(std::move(job));
        while (pool.waiting() > 0 && (atEnd || pool.waiting() >= pool.most())) {
            finish(pool.take());
            if (m_options.progress)
                m_options.progress(m_bytesDone, std::max(m_bytesDone, m_bytesTotal));
        }
        if (tooLong)
            throw RecordingError(lineProblem(part.shown, part.lines + 1,
                                             "行太长（超过 64 KB 没有行尾），不是数据行"));
    }
}

const Recording *RecordingReader::read(bool following)
{
    if (m_parts.empty()) {
        findFiles(following);
        for (const std::unique_ptr<Part> &part : m_parts)
            m_bytesTotal += part->size;
    }
    Part &first = *m_parts.front();
    if (!first.headingRead && !readHeadingOf(first, following))
        return nullptr;
    m_recording = std::make_unique<Recording>(first.heading.heading);
    m_rows = std::make_shared<FileRows>(first.heading.heading);
    m_recording->readBackFrom(m_rows,
                              m_options.pageBytes > 0 ? m_options.pageBytes : defaultPageBytes());
    for (const std::unique_ptr<Part> &part : m_parts) {
        checkChannels(*part);
        readBody(*part, true);
    }
    if (m_recording->rows() == 0 && !following)
        throw RecordingError(lineProblem(first.shown, first.heading.lines, "只有表头，没有数据行"));
    return m_recording.get();
}

void RecordingReader::checkChannels(const Part &part) const
{
    const Part &first = *m_parts.front();
    const std::vector<ChannelRange> &own = part.heading.heading.channels,
                                    &channels = first.heading.heading.channels;
    if (own.size() != channels.size() ||
        !std::equal(own.begin(), own.end(), channels.begin(),
                    [](const ChannelRange &a, const ChannelRange &b) {
                        return a.channel == b.channel && a.range == b.range;
                    }))
        throw RecordingError("文件 " + part.shown + " 的通道或量程与 " + first.shown + " 的不同");
}

bool RecordingReader::nextPartAppeared()
{
    if (m_set.empty())
        return false;
    const int last = m_parts.back()->number;
    const std::map<int, std::string> parts = partsIn(m_set);
    for (auto at = parts.upper_bound(last); at != parts.end(); ++at) {
        std::unique_ptr<Part> part;
        try {
            part = openPart(at->second, at->first, true);
        } catch (const RecordingError &) {
            continue; // another program's file, or one not yet readable
        }
        if (!part->headingRead)
            return false; // its heading is on its way
        if (part->heading.heading.start != m_parts.front()->heading.heading.start)
            continue;
        checkChannels(*part);
        m_parts.push_back(std::move(part));
        return true;
    }
    return false;
}

std::int64_t RecordingReader::readMore(std::int64_t nowNs)
{
    if (!m_recording && !read(true))
        return 0;
    const std::int64_t before = m_recording ? m_recording->rows() : 0;
    bool news = false;
    for (;;) {
        Part &part = *m_parts.back();
        std::int64_t size = 0;
        os::kindOf(*part.file, &size);
        if (size < part.offset + std::int64_t(part.tail.size()))
            throw RecordingError(shorterText(part.shown));
        if (!part.headingRead) {
            if (!readHeadingOf(part, true))
                break;
            news = true;
        }
        if (size > part.offset + std::int64_t(part.tail.size())) {
            readBody(part, false);
            news = true;
        }
        if (!nextPartAppeared())
            break;
        news = true;
    }
    const std::int64_t added = m_recording ? m_recording->rows() - before : 0;
    if (added > 0)
        m_lastGrowthNs = nowNs;
    const os::Writers writers = os::writersOf(*m_parts.back()->file, m_parts.back()->name);
    m_quietChecks = writers == os::Writers::None && !news ? m_quietChecks + 1 : 0;
    m_ended = m_quietChecks >= kEndedChecks;
    return added;
}

} // namespace logformat
