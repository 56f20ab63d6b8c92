#include "files/samplefilename.h"

#include "files/clock.h"

#include <QFileInfo>

QString sampleFileName(const QString &firstDate, const QString &secondDate,
                       const QString &firstTime, const QString &secondTime)
{
    // mid() counts positions from 0 in mm-dd-yyyy and HH:MM:SS: the hyphen after
    // the day and the year's first digit, the year's last two digits, the hour,
    // the minute.
    return QStringLiteral("vx") + firstDate.mid(5, 2) + secondDate.mid(8, 2) + firstTime.mid(0, 2) +
           secondTime.mid(3, 2) + QStringLiteral(".dat");
}

QString sampleFileName(Clock &clock)
{
    const QString firstDate = clock.dateText();
    const QString secondDate = clock.dateText();
    const QString firstTime = clock.timeText();
    const QString secondTime = clock.timeText();
    return sampleFileName(firstDate, secondDate, firstTime, secondTime);
}

QString firstFreeFileName(const QDir &dir, const QString &name)
{
    const QFileInfo info(name);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString candidate = name;
    for (int n = 1; QFileInfo::exists(dir.filePath(candidate)) ||
                    QFileInfo(dir.filePath(candidate)).isSymLink();
         ++n)
        candidate = stem + QLatin1Char('_') + QString::number(n) + suffix;
    return candidate;
}
