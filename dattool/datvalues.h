#pragma once
#include "files/samplefile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Codes, ranges and millivolts of a sample file, as exact text.
namespace datvalues {

// The range names of readings/rangetext.h: "0-5V", "±5V", "0-10V", "±10V", with
// "+-" for "±", or the code itself ("0".."3").
std::optional<int> parseRange(const QString &name);
QString rangeName(int range);

// The first point (1..8192) whose code cannot come from `range`, or 0.
int firstMisfit(const samplefile::Records &records, int range);

// numerator / 2^log2Denominator written out exactly (readings/rangetext.h).
void appendExact(QByteArray &out, qint64 numerator, int log2Denominator);
// Full scale x codes / 4096 of `range`, exactly, as the CSV writes a code; a
// difference of codes too.
QString millivoltText(int codes, int range);

// The CSV of a file: the header point,code,mV and one row per point 1..8192,
// lines ended by CRLF.
QByteArray csv(const samplefile::Records &records, int range);

struct Summary
{
    int lowest = 0;
    int highest = 0;
    qint64 count = 0;
    qint64 sum = 0;      // the mean is sum / count
    quint64 squares = 0; // of the codes: the RMS is the root of squares / count
    QList<int> ranges;   // the range codes every code fits
};
// Of points `first` to `last` (1..8192), the whole file unless told.
Summary summarize(const samplefile::Records &records, int first = 1,
                  int last = samplefile::kRecordCount);
// Lowest, highest and mean code and the ranges they fit, each "WORD VALUE".
QStringList summaryFields(const Summary &summary);
// The same on one line.
QString summaryText(const Summary &summary);

// The figures in millivolts of `range`: lowest, highest and peak-to-peak
// exactly, mean and RMS to 0.001 mV, each "WORD VALUE mV".
QStringList millivoltFigures(const Summary &summary, int range);

// The RMS in thousandths of a millivolt, rounded to the nearest (a half up):
// worked out on whole numbers, the root of an exact fraction.
qint64 rmsThousandths(const Summary &summary, int range);

} // namespace datvalues
