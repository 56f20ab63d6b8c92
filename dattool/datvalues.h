#pragma once
#include "files/samplefile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Codes, ranges and millivolts of a sample file, as exact text.
namespace datvalues {

// The range names of device/rangetext.h: "0-5V", "±5V", "0-10V", "±10V", with
// "+-" for "±", or the code itself ("0".."3").
std::optional<int> parseRange(const QString &name);
QString rangeName(int range);

// Whether a converter in `range` can deliver `code`: 0..4095 in the unipolar
// ranges, -2048..2047 (12-bit two's complement) in the bipolar ones.
bool fits(int code, int range);
// The first point (1..8192) whose code cannot come from `range`, or 0.
int firstMisfit(const samplefile::Records &records, int range);

// numerator / 2^log2Denominator written out exactly (device/rangetext.h).
void appendExact(QByteArray &out, qint64 numerator, int log2Denominator);

// The CSV of a file: the header point,code,mV and one row per point 1..8192,
// lines ended by CRLF.
QByteArray csv(const samplefile::Records &records, int range);

struct Summary
{
    int lowest = 0;
    int highest = 0;
    qint64 sum = 0;    // the mean is sum / 8192
    QList<int> ranges; // the range codes every code fits
};
Summary summarize(const samplefile::Records &records);
// Lowest, highest and mean code and the ranges they fit, on one line.
QString summaryText(const Summary &summary);

} // namespace datvalues
