#include "dattool/datvalues.h"

#include "device/inputrange.h"
#include "device/rangetext.h"

#include <QStringList>

#include <charconv>

namespace datvalues {

namespace {
constexpr int kLog2Records = 13; // 8192 records: the mean is exact too
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
    char text[rangetext::kMaxExactLength];
    out.append(text, int(rangetext::writeExact(text, numerator, log2Denominator) - text));
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
