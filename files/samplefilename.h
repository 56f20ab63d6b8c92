#pragma once
#include <QDir>
#include <QString>

class Clock;

// The name a Save gives its file: "vx", the hyphen after the day with the first
// digit of the year, the last two digits of the year, the hour and the minute,
// then ".dat" (12-08-2026 14:37:05 gives vx-2261437.dat). Files in the field
// carry this form, so it stays exactly as it is.
QString sampleFileName(const QString &firstDate, const QString &secondDate,
                       const QString &firstTime, const QString &secondTime);

// Reads the clock four times, date, date, time, time, and cuts one piece from each.
QString sampleFileName(Clock &clock);

// `name` itself when no such file exists in `dir`, otherwise the first free one of
// name_1.dat, name_2.dat, ...: a Save never replaces an earlier measurement.
QString firstFreeFileName(const QDir &dir, const QString &name);
