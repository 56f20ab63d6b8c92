#include "system/stopsignals.h"

#include <cstdlib>

namespace os {

#ifdef _WIN32
// Windows has no sigaction: signal(), which tells the action it replaced.
StopSignals::StopSignals(void (*handler)(int))
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        m_inherited[i] = std::signal(kSignals[i], handler);
        if (m_inherited[i] == SIG_IGN)
            std::signal(kSignals[i], SIG_IGN);
    }
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        std::signal(kSignals[i], m_inherited[i]);
}
#else
StopSignals::StopSignals(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &m_inherited[i]);
        if (m_inherited[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &m_inherited[i], nullptr);
}
#endif

const char *StopSignals::name(int signal)
{
    return signal == SIGTERM  ? "SIGTERM"
           : signal == SIGINT ? "SIGINT"
#ifdef _WIN32
                              : "SIGBREAK";
#else
                              : "SIGHUP";
#endif
}

void StopSignals::endBy(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

} // namespace os
