#pragma once
#include <csignal>
#include <iterator>

namespace datcommands {

// SIGTERM, SIGINT and SIGHUP (on Windows SIGBREAK, Ctrl-Break) while outputs
// are made stop the run between two outputs, so that none is left
// half-written: one begun is written whole, the finished ones stay. The run
// then says how far it got and ends by the same signal.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool caught() const;

    // After `done` of `total` outputs.
    [[noreturn]] void end(int done, int total) const;

private:
#ifdef _WIN32
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGBREAK};
    static constexpr const char *kThirdName = "SIGBREAK";
    void (*m_inherited[std::size(kSignals)])(int) = {};
#else
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    static constexpr const char *kThirdName = "SIGHUP";
    struct sigaction m_inherited[std::size(kSignals)] = {};
#endif
};

} // namespace datcommands
