#include "dattool/datvalues.h"

#include "device/inputrange.h"

#include <QStringList>

#include <charconv>
#include <cstdlib>

namespace datvalues {

namespace {
constexpr int kLog2Codes = 12;   // the 4096 codes a range spans
constexpr int kLog2Records = 13; // 8192 records: the mean is exact too
} // namespace

std::optional<int> parseRange(const QString &name)
{
    QString n = name.trimmed();
    n.replace(QStringLiteral("+-"), QStringLiteral("±"));
    if (n.endsWith(QLatin1Char('v')))
        n[n.size() - 1] = QLatin1Char('V');
    for (int range = 0; range < inputrange::kCount; ++range)
        if (n == rangeName(range) || n == QString::number(range))
            return range;
    return std::nullopt;
}

QString rangeName(int range)
{
    static const QString kNames[inputrange::kCount] = {
        QStringLiteral("0-5V"), QStringLiteral("±5V"), QStringLiteral("0-10V"),
        QStringLiteral("±10V")};
    return inputrange::isValid(range) ? kNames[range] : QString();
}

bool fits(int code, int range)
{
    return inputrange::isBipolar(range) ? code >= -2048 && code <= 2047 : code >= 0 && code <= 4095;
}

int firstMisfit(const samplefile::Records &records, int range)
{
    for (int r = 1; r <= samplefile::kRecordCount; ++r)
        if (!fits(records[r - 1], range))
            return r;
    return 0;
}

void appendExact(QByteArray &out, qint64 numerator, int log2Denominator)
{
    if (numerator < 0)
        out += '-';
    const quint64 magnitude = numerator < 0 ? 0 - quint64(numerator) : quint64(numerator);
    const quint64 mask = (quint64(1) << log2Denominator) - 1;
    char digits[24];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, magnitude >> log2Denominator).ptr;
    out.append(digits, int(end - digits));
    // Each digit of a binary fraction ends the expansion one step nearer: at
    // most log2Denominator digits.
    quint64 rest = magnitude & mask;
    if (rest != 0)
        out += '.';
    while (rest != 0) {
        rest *= 10;
        out += char('0' + (rest >> log2Denominator));
        rest &= mask;
    }
}

QByteArray millivolts(int code, int range)
{
    QByteArray out;
    appendExact(out, qint64(inputrange::fullScaleMillivolts(range)) * code, kLog2Codes);
    return out;
}

QByteArray csv(const samplefile::Records &records, int range)
{
    const qint64 fullScale = inputrange::fullScaleMillivolts(range);
    QByteArray out;
    out.reserve(samplefile::kRecordCount * 32);
    out += "point,code,mV\r\n";
    char number[16];
    for (int r = 1; r <= samplefile::kRecordCount; ++r) {
        const int code = records[r - 1];
        out.append(number, int(std::to_chars(number, number + sizeof number, r).ptr - number));
        out += ',';
        out.append(number, int(std::to_chars(number, number + sizeof number, code).ptr - number));
        out += ',';
        appendExact(out, fullScale * code, kLog2Codes);
        out += "\r\n";
    }
    return out;
}

Summary summarize(const samplefile::Records &records)
{
    Summary s;
    s.lowest = s.highest = records[0];
    for (const std::int16_t code : records) {
        s.lowest = qMin(s.lowest, int(code));
        s.highest = qMax(s.highest, int(code));
        s.sum += code;
    }
    for (int range = 0; range < inputrange::kCount; ++range)
        if (fits(s.lowest, range) && fits(s.highest, range))
            s.ranges << range;
    return s;
}

QString summaryText(const Summary &summary)
{
    QByteArray mean;
    appendExact(mean, summary.sum, kLog2Records);
    QStringList names;
    for (const int range : summary.ranges)
        names << rangeName(range);
    return QStringLiteral("最小 %1  最大 %2  平均 %3  量程 %4")
        .arg(QString::number(summary.lowest).rightJustified(5),
             QString::number(summary.highest).rightJustified(5),
             QString::fromLatin1(mean).leftJustified(13),
             names.isEmpty() ? QStringLiteral("无") : names.join(QLatin1Char(' ')));
}

} // namespace datvalues
