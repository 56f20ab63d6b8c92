#pragma once
#include <csignal>
#include <iterator>

namespace os {

// The signals that ask a program to stop, SIGTERM, SIGINT and SIGHUP (on
// Windows SIGBREAK, Ctrl-Break, in SIGHUP's place), taken by `handler` for as
// long as one lives. One that whoever started the program ignores (nohup, a
// background job) stays ignored; when it goes, each has its inherited action
// again. zk61ar-log takes its stop requests its own way (process.h).
class StopSignals
{
public:
    explicit StopSignals(void (*handler)(int));
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // "SIGTERM", "SIGINT", "SIGHUP" or "SIGBREAK".
    static const char *name(int signal);
    // Ends the program by `signal`, as if it had never been caught.
    [[noreturn]] static void endBy(int signal);

private:
#ifdef _WIN32
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGBREAK};
    void (*m_inherited[std::size(kSignals)])(int) = {};
#else
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_inherited[std::size(kSignals)] = {};
#endif
};

} // namespace os
