#include "dattool/stopsignals.h"

#include "dattool/datinput.h"

#include <cstdlib>

namespace datcommands {

namespace {
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
}
} // namespace

#ifdef _WIN32
// Windows has no sigaction: signal(), which tells the action it replaced.
StopSignals::StopSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        m_inherited[i] = std::signal(kSignals[i], onStopSignal);
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
StopSignals::StopSignals()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &m_inherited[i]);
        // One ignored by whoever started the tool (nohup) stays ignored.
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

bool StopSignals::caught() const
{
    return g_stopSignal != 0;
}

void StopSignals::end(int done, int total) const
{
    const int signal = g_stopSignal;
    const char *name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : kThirdName;
    datinput::complain(
        QStringLiteral("收到 %1，已停止：已写完 %2 个输出，共 %3 个")
            .arg(QLatin1String(name), QString::number(done), QString::number(total)));
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    std::_Exit(128 + signal);
}

} // namespace datcommands
