#pragma once
#include <QDate>
#include <QString>
#include <QTime>

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

    // The texts of a given moment, as the clock gives them for the present one.
    static QString dateTextOf(const QDate &date);
    static QString timeTextOf(const QTime &time);
};
