#include "dattool/stopsignals.h"

#include "dattool/datinput.h"

namespace datcommands {

namespace {
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
}
} // namespace

StopSignals::StopSignals() : m_signals(onStopSignal) {}

bool StopSignals::caught() const
{
    return g_stopSignal != 0;
}

void StopSignals::endAfter(int done, int total) const
{
    const int signal = g_stopSignal;
    datinput::complain(QStringLiteral("收到 %1，已停止：已写完 %2 个输出，共 %3 个")
                           .arg(QLatin1String(os::StopSignals::name(signal)), QString::number(done),
                                QString::number(total)));
    os::StopSignals::endBy(signal);
}

} // namespace datcommands
