#pragma once
// A clock that gives scripted texts and notes the order in which it was read.
#include "files/clock.h"

#include <QStringList>

class ScriptedClock : public Clock
{
public:
    // Successive readings; the last one repeats once the script runs out.
    ScriptedClock(QStringList dates, QStringList times)
        : m_dates(std::move(dates)), m_times(std::move(times))
    {
    }

    QString dateText() override
    {
        reads << QStringLiteral("date");
        return m_dates.at(std::min(m_dateReads++, int(m_dates.size()) - 1));
    }
    QString timeText() override
    {
        reads << QStringLiteral("time");
        return m_times.at(std::min(m_timeReads++, int(m_times.size()) - 1));
    }

    QStringList reads;

private:
    QStringList m_dates;
    QStringList m_times;
    int m_dateReads = 0;
    int m_timeReads = 0;
};
