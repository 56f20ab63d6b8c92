#include "dattool/datvalues.h"

#include "readings/inputrange.h"
#include "readings/rangetext.h"

#include <QStringList>

#include <charconv>
#include <cmath>

namespace datvalues {

namespace {
constexpr int kLog2Records = 13;
// One code of a range of full scale FS is 1000 x FS / 4096 thousandths of a
// millivolt: (FS x 125 / 8) / 64, a whole number of 64ths, as every FS is a
// multiple of 8.
constexpr qint64 kSixtyFourths = 64;

qint64 perCodeSixtyFourths(int range)
{
    return qint64(inputrange::fullScaleMillivolts(range)) * 125 / 8;
}

// x * y, exactly, as two 64-bit halves.
struct Wide
{
    quint64 high, low;
};

Wide product(quint64 x, quint64 y)
{
    constexpr quint64 kHalf = 0xFFFFFFFFu;
    const quint64 lowLow = (x & kHalf) * (y & kHalf), highLow = (x >> 32) * (y & kHalf),
                  lowHigh = (x & kHalf) * (y >> 32);
    const quint64 middle = (lowLow >> 32) + (highLow & kHalf) + (lowHigh & kHalf);
    return {(x >> 32) * (y >> 32) + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32),
            (middle << 32) | (lowLow & kHalf)};
}

bool notAbove(const Wide &a, const Wide &b)
{
    return a.high < b.high || (a.high == b.high && a.low <= b.low);
}

// numerator / denominator (> 0) to the nearest whole number, a half away from 0.
qint64 rounded(qint64 numerator, qint64 denominator)
{
    const qint64 magnitude = (qAbs(numerator) * 2 + denominator) / (denominator * 2);
    return numerator < 0 ? -magnitude : magnitude;
}

QString thousandthsText(qint64 thousandths)
{
    return QStringLiteral("%1%2.%3")
        .arg(thousandths < 0 ? QStringLiteral("-") : QString())
        .arg(qAbs(thousandths) / 1000)
        .arg(qAbs(thousandths) % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

std::optional<int> parseRange(const QString &name)
{
    return rangetext::parse(name.trimmed().toStdString());
}

QString rangeName(int range)
{
    const std::string_view name = rangetext::name(range);
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

int firstMisfit(const samplefile::Records &records, int range)
{
    for (int r = 1; r <= samplefile::kRecordCount; ++r)
        if (!inputrange::fits(records[r - 1], range))
            return r;
    return 0;
}

void appendExact(QByteArray &out, qint64 numerator, int log2Denominator)
{
    char text[rangetext::kMaxExactLength];
    out.append(text, int(rangetext::writeExact(text, numerator, log2Denominator) - text));
}

QString millivoltText(int codes, int range)
{
    char text[rangetext::kMaxExactLength];
    return QString::fromLatin1(text, rangetext::writeMillivolts(text, codes, range) - text);
}

QByteArray csv(const samplefile::Records &records, int range)
{
    QByteArray out;
    out.reserve(samplefile::kRecordCount * 32);
    out += "point,code,mV\r\n";
    char number[rangetext::kMaxExactLength];
    for (int r = 1; r <= samplefile::kRecordCount; ++r) {
        const int code = records[r - 1];
        out.append(number, int(std::to_chars(number, number + sizeof number, r).ptr - number));
        out += ',';
        out.append(number, int(std::to_chars(number, number + sizeof number, code).ptr - number));
        out += ',';
        out.append(number, int(rangetext::writeMillivolts(number, code, range) - number));
        out += "\r\n";
    }
    return out;
}

Summary summarize(const samplefile::Records &records, int first, int last)
{
    Summary s;
    s.lowest = s.highest = records[first - 1];
    s.count = last - first + 1;
    for (int r = first; r <= last; ++r) {
        const int code = records[r - 1];
        s.lowest = qMin(s.lowest, code);
        s.highest = qMax(s.highest, code);
        s.sum += code;
        s.squares += quint64(qint64(code) * code);
    }
    for (int range = 0; range < inputrange::kCount; ++range)
        if (inputrange::fits(s.lowest, range) && inputrange::fits(s.highest, range))
            s.ranges << range;
    return s;
}

QStringList summaryFields(const Summary &summary)
{
    QByteArray mean;
    // The whole file: 8192 records, a power of two, so the mean is exact too.
    appendExact(mean, summary.sum, kLog2Records);
    QStringList names;
    for (const int range : summary.ranges)
        names << rangeName(range);
    return {QStringLiteral("最小 %1").arg(summary.lowest),
            QStringLiteral("最大 %1").arg(summary.highest),
            QStringLiteral("平均 %1").arg(QString::fromLatin1(mean)),
            QStringLiteral("量程 %1").arg(names.isEmpty() ? QStringLiteral("无")
                                                          : names.join(QLatin1Char(' ')))};
}

QString summaryText(const Summary &summary)
{
    return summaryFields(summary).join(QStringLiteral("  "));
}

QStringList millivoltFigures(const Summary &s, int range)
{
    const qint64 mean = rounded(perCodeSixtyFourths(range) * s.sum, kSixtyFourths * s.count);
    return {QStringLiteral("最小 %1 mV").arg(millivoltText(s.lowest, range)),
            QStringLiteral("最大 %1 mV").arg(millivoltText(s.highest, range)),
            QStringLiteral("峰峰值 %1 mV").arg(millivoltText(s.highest - s.lowest, range)),
            QStringLiteral("平均 %1 mV").arg(thousandthsText(mean)),
            QStringLiteral("均方根 %1 mV").arg(thousandthsText(rmsThousandths(s, range)))};
}

qint64 rmsThousandths(const Summary &s, int range)
{
    // R = (a / 64) x root(squares / count), a the 64ths of a code: R rounds to
    // the largest m with (m - 1/2)^2 <= R^2, that is with
    // (2m - 1)^2 x 1024 x count <= a^2 x squares. The floating-point root is
    // only the first guess.
    const quint64 a = quint64(perCodeSixtyFourths(range));
    const Wide square = product(a * a, s.squares);
    const auto reached = [&](qint64 m) {
        const quint64 odd = quint64(2 * m - 1);
        return notAbove(product(odd * odd, 1024 * quint64(s.count)), square);
    };
    qint64 m = std::llround(double(a) / kSixtyFourths * std::sqrt(double(s.squares) / s.count));
    while (reached(m + 1))
        ++m;
    while (m > 0 && !reached(m))
        --m;
    return m;
}

} // namespace datvalues
