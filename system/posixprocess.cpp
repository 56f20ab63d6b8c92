// The logger's system seam on Linux and other POSIX systems.
#include "system/process.h"

#include "logger/logerror.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace logsys {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// A stop that comes while the recording sleeps is seen within this time even
// when it slips in just before the sleep begins.
constexpr std::int64_t kLongestNap = 100'000'000;

std::atomic<int> g_stops{0};
static_assert(std::atomic<int>::is_always_lock_free, "the stop count is set from a signal handler");

extern "C" void onStop(int signal)
{
    if (g_stops.fetch_add(1) == 0)
        return;
    // The second request ends the program by that same signal, as if it had
    // never been caught. Writes run with the stop signals blocked, so this
    // never cuts a line in two.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kStopSignals)
        sigaddset(&set, s);
    return set;
}

// Holds the stop signals back for its lifetime.
class StopsHeld
{
public:
    StopsHeld()
    {
        const sigset_t stops = stopSignals();
        pthread_sigmask(SIG_BLOCK, &stops, &m_previous);
    }
    ~StopsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    StopsHeld(const StopsHeld &) = delete;
    StopsHeld &operator=(const StopsHeld &) = delete;

private:
    sigset_t m_previous;
};

std::string reason(int error)
{
    return std::generic_category().message(error);
}

[[noreturn]] void fail(const char *what, const std::string &name, int error)
{
    throw LogError(std::string(what) + name + "：" + reason(error));
}

timespec asTimespec(std::int64_t nanoseconds)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    return ts;
}

class PosixFile : public OutputFile
{
public:
    PosixFile(int fd, std::string name, bool owned)
        : m_fd(fd), m_name(std::move(name)), m_owned(owned)
    {
        struct stat info
        {
        };
        m_regular = fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode);
        // A file opened for appending (standard output with >>) grows at its end.
        if (m_regular)
            m_end = fcntl(m_fd, F_GETFL) & O_APPEND ? info.st_size : lseek(m_fd, 0, SEEK_CUR);
    }
    ~PosixFile() override
    {
        if (m_fd >= 0 && m_owned)
            ::close(m_fd);
    }

    const std::string &name() const override { return m_name; }

    void write(const char *data, std::size_t size) override
    {
        const StopsHeld held;
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size - done);
            if (n > 0) {
                done += std::size_t(n);
                continue;
            }
            const int error = n == 0 ? ENOSPC : errno;
            if (error == EINTR)
                continue;
            // Whatever of this write did land is taken back, so no part of a
            // line stays behind.
            if (m_regular && done > 0 &&
                (ftruncate(m_fd, m_end) != 0 || lseek(m_fd, m_end, SEEK_SET) < 0))
                fail("无法写入 ", m_name + "，其末行也无法复原", error);
            fail("无法写入 ", m_name, error);
        }
        m_end += off_t(done);
    }

    void sync() override
    {
        if (m_regular && fdatasync(m_fd) != 0)
            fail("无法同步到磁盘 ", m_name, errno);
    }

    void close() override
    {
        const int fd = m_fd;
        m_fd = -1;
        if (m_owned && ::close(fd) != 0 && errno != EINTR)
            fail("无法关闭 ", m_name, errno);
    }

private:
    int m_fd;
    std::string m_name;
    bool m_owned;
    bool m_regular = false;
    off_t m_end = 0; // the size after the last whole write
};

} // namespace

std::vector<std::string> commandLine(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void prepare()
{
    struct sigaction action
    {
    };
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    for (const int s : kStopSignals)
        sigaction(s, &action, nullptr);
    // A reader that goes away is a failed write to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
#ifdef __linux__
    // Wake-ups exactly when due, not up to the default 50 us later.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

bool stopRequested()
{
    return g_stops.load(std::memory_order_relaxed) > 0;
}

std::thread quietThread(std::function<void()> work)
{
    const StopsHeld held; // the new thread starts with the stops blocked
    return std::thread(std::move(work));
}

std::int64_t monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void sleepUntil(std::int64_t due)
{
    for (;;) {
        if (stopRequested())
            return;
        const std::int64_t now = monotonicNow();
        if (now >= due)
            return;
        const timespec wake = asTimespec(due - now > kLongestNap ? now + kLongestNap : due);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
    }
}

std::string utcNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  now.tv_nsec / 1000);
    return text;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void writeStderr(const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n <= 0 && errno != EINTR)
            return; // nowhere left to say it
        if (n > 0)
            done += std::size_t(n);
    }
}

PathKind pathKind(const std::string &path)
{
    struct stat info
    {
    };
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? PathKind::Missing : PathKind::Other;
    if (S_ISREG(info.st_mode))
        return PathKind::Regular;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::unique_ptr<OutputFile> createFile(const std::string &path, bool replace)
{
    if (replace) {
        // Opened without following a link and without blocking on a pipe, then
        // looked at before anything in it changes.
        const int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            struct stat info
            {
            };
            if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
                ::close(fd);
                refuseNotRegular(path);
            }
            if (ftruncate(fd, 0) != 0 || fcntl(fd, F_SETFL, 0) != 0) {
                const int error = errno;
                ::close(fd);
                fail("无法替换 ", path, error);
            }
            return std::make_unique<PosixFile>(fd, path, true);
        }
        if (errno == ELOOP || errno == EISDIR || errno == ENXIO)
            refuseNotRegular(path);
        if (errno != ENOENT)
            fail("无法打开 ", path, errno);
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            refuseExisting(path);
        fail("无法创建 ", path, errno);
    }
    return std::make_unique<PosixFile>(fd, path, true);
}

std::unique_ptr<OutputFile> standardOutput()
{
    return std::make_unique<PosixFile>(STDOUT_FILENO, kStandardOutput, false);
}

} // namespace logsys
