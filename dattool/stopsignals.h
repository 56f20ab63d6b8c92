#pragma once
#include "system/stopsignals.h"

namespace datcommands {

// The stop signals (system/stopsignals.h) while outputs are made stop the run
// between two outputs, so that none is left half-written: one begun is written
// whole, the finished ones stay. The run then says how far it got and ends by
// the same signal.
class StopSignals
{
public:
    StopSignals();

    bool caught() const;

    // After `done` of `total` outputs.
    [[noreturn]] void endAfter(int done, int total) const;

private:
    os::StopSignals m_signals;
};

} // namespace datcommands
