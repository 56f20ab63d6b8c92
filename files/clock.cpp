#include "files/clock.h"

QString SystemClock::dateText()
{
    return dateTextOf(QDate::currentDate());
}

QString SystemClock::timeText()
{
    return timeTextOf(QTime::currentTime());
}

QString SystemClock::dateTextOf(const QDate &date)
{
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

QString SystemClock::timeTextOf(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}
