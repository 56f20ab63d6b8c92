#pragma once
#include <QTimer>

// A timer's Enabled switch: enabling one that already runs leaves its beat alone.
inline void setTimerEnabled(QTimer &timer, bool enabled)
{
    if (!enabled)
        timer.stop();
    else if (!timer.isActive())
        timer.start();
}
