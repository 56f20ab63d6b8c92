#pragma once
#include <QString>

// The system clock as the fixed-form texts the sample file name is cut from.
class Clock
{
public:
    virtual ~Clock() = default;
    // Local date as mm-dd-yyyy.
    virtual QString dateText() = 0;
    // Local time as HH:MM:SS, 24-hour.
    virtual QString timeText() = 0;
};

class SystemClock : public Clock
{
public:
    QString dateText() override;
    QString timeText() override;
};
