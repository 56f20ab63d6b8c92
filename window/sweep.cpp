#include "window/form1.h"

#include "plot/plotgrid.h"
#include "plot/trace.h"
#include "readings/inputrange.h"
#include "window/plotarea.h"

#include <QCoreApplication>

void Form1::yieldToEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool Form1::isSweeping() const
{
    return Picture1->isSweeping();
}

void Form1::Timer2_Timer()
{
    // A tick that falls due while a sweep yields is dropped: sweeps never nest.
    // One held by Save's question is dropped too.
    if (isSweeping() || m_sweepHeld)
        return;

    readSelections();
    const PlotArea::Sweep sweep(*Picture1);
    Drawgrid1();
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
            const QLineF segment = traceSegment(i, previousY, y);
            Picture1->line(segment.p1(), segment.p2(), kTraceColour);
            yieldToEvents();
            if (m_ended)
                return;
            previousY = y;
        }
    }
}
