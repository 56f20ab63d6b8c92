// The running process on Linux and other POSIX systems.
#include "system/process.h"

#include "system/file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace os {

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

timespec asTimespec(std::int64_t nanoseconds)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    return ts;
}

} // namespace

std::vector<std::string> commandLine(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void prepareRecording()
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

namespace {
// Above the system's own threaded interrupt handlers' 50 on a real-time
// kernel would starve them; below keeps the recording beneath them.
constexpr int kRealTimePriority = 40;

void normalPriority()
{
    sched_param normal{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
}
} // namespace

Timeliness keepOnTime(bool realTime)
{
    Timeliness granted;
    if (realTime) {
        sched_param param{};
        param.sched_priority = std::min(kRealTimePriority, sched_get_priority_max(SCHED_FIFO));
        const int error = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        granted.realTime = error == 0;
        if (error != 0)
            granted.priorityWhy = errorText(error);
    }
#ifdef MCL_ONFAULT
    constexpr int kLockFlags = MCL_CURRENT | MCL_FUTURE | MCL_ONFAULT;
#else
    constexpr int kLockFlags = MCL_CURRENT | MCL_FUTURE;
#endif
    granted.memoryLocked = mlockall(kLockFlags) == 0;
    if (!granted.memoryLocked)
        granted.memoryWhy = errorText(errno);
    return granted;
}

std::thread threadIgnoringStops(std::function<void()> work)
{
    const StopsHeld held; // the new thread starts with the stops blocked
    return std::thread([work = std::move(work)] {
        normalPriority();
        work();
    });
}

void withStopsHeldBack(const std::function<void()> &write)
{
    const StopsHeld held;
    write();
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

int standardErrorColumns()
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? int(size.ws_col) : 0;
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

std::uint64_t physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize) : 0;
}

} // namespace os
