#include "window/form1.h"

#include "device/inputrange.h"
#include "device/sweepscale.h"
#include "print/plotgrid.h"
#include "window/plotarea.h"

#include <QCoreApplication>

namespace {
constexpr double kBottom = 5000.0;

// Marks a sweep as running for as long as it draws.
class SweepRunning
{
public:
    explicit SweepRunning(bool &flag) : m_flag(flag) { m_flag = true; }
    ~SweepRunning() { m_flag = false; }

private:
    bool &m_flag;
};

// Tells the plot area that the trace is being drawn, so that the screen shows
// it when its last pass is done.
class TraceDrawing
{
public:
    explicit TraceDrawing(PlotArea &plot) : m_plot(plot) { m_plot.beginSweep(); }
    ~TraceDrawing() { m_plot.endSweep(); }

private:
    PlotArea &m_plot;
};
} // namespace

void Form1::yieldToEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::Timer2_Timer()
{
    // A tick that falls due while a sweep yields is dropped: sweeps never nest.
    // One held by Save's question is dropped too.
    if (m_sweeping || m_sweepHeld)
        return;
    const SweepRunning running(m_sweeping);

    readSelections();
    Picture1->clear();
    Drawgrid1();
    const TraceDrawing drawing(*Picture1);
    adValue = 0;
    double previousY = 0;
    // Each range is tested anew after the passes before it, so raising the
    // range during a pass adds a pass.
    for (int code = 0; code < inputrange::kCount; ++code) {
        if (range != code)
            continue;
        for (int i = SampleBuffer::kFirstPoint; i <= SampleBuffer::kLastPoint; ++i) {
            sampleBuf(i) = adValue;
            const double y = sweepHeight(adValue, code);
            Picture1->line(QPointF(float(i), float(kBottom - previousY)),
                           QPointF(float(i + 1), float(kBottom - y)), kTraceColour);
            yieldToEvents();
            if (m_ended)
                return;
            previousY = y;
        }
    }
}
