#include "files/clock.h"

#include <QDate>
#include <QTime>

QString SystemClock::dateText()
{
    return QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
}

QString SystemClock::timeText()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}
