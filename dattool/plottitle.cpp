#include "dattool/plottitle.h"

#include "dattool/datvalues.h"
#include "plot/timeaxis.h"

namespace plottitle {

QString heading(const QString &name, int range, double rate)
{
    QString text = QStringLiteral("%1    量程 %2").arg(name, datvalues::rangeName(range));
    if (rate > 0)
        text += QStringLiteral("    采样率 %1 次/秒").arg(QString::number(rate, 'g', 10));
    return text;
}

QString pointText(const samplefile::Records &records, int range, double rate, int point)
{
    const int code = records[point - 1];
    QString text = QStringLiteral("点 %1").arg(point);
    if (rate > 0)
        text += QStringLiteral("（%1）").arg(timeText(point / rate));
    return text + QStringLiteral("  码值 %1  %2 mV")
                      .arg(QString::number(code), datvalues::millivoltText(code, range));
}

QString figuresText(const samplefile::Records &records, int range, int cursorA, int cursorB)
{
    const bool both = cursorA > 0 && cursorB > 0;
    const int first = both ? qMin(cursorA, cursorB) : 1;
    const int last = both ? qMax(cursorA, cursorB) : samplefile::kRecordCount;
    const QString over = both ? QStringLiteral("光标之间（点 %1..%2）").arg(first).arg(last)
                              : QStringLiteral("整个文件");
    return over + QStringLiteral("：") +
           datvalues::millivoltFigures(datvalues::summarize(records, first, last), range)
               .join(QStringLiteral("  "));
}

QString cursorsText(const samplefile::Records &records, int range, double rate, int cursorA,
                    int cursorB)
{
    QStringList cursors;
    if (cursorA > 0)
        cursors << QStringLiteral("A：") + pointText(records, range, rate, cursorA);
    if (cursorB > 0)
        cursors << QStringLiteral("B：") + pointText(records, range, rate, cursorB);
    if (cursorA > 0 && cursorB > 0) {
        const int points = cursorB - cursorA;
        const QString apart =
            rate > 0 ? timeText(points / rate) : QStringLiteral("%1 点").arg(points);
        cursors << QStringLiteral("B−A：%1  %2 mV")
                       .arg(apart, datvalues::millivoltText(
                                       records[cursorB - 1] - records[cursorA - 1], range));
    }
    return cursors.join(QStringLiteral("    "));
}

QStringList lines(const QString &name, const samplefile::Records &records, int range, double rate,
                  int cursorA, int cursorB)
{
    QStringList all{heading(name, range, rate), figuresText(records, range, cursorA, cursorB)};
    const QString cursors = cursorsText(records, range, rate, cursorA, cursorB);
    if (!cursors.isEmpty())
        all << cursors;
    return all;
}

} // namespace plottitle
