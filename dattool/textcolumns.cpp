#include "dattool/textcolumns.h"

#include "system/process.h"

#include <algorithm>

namespace textcolumns {

namespace {
bool isZeroWidth(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
           category == QChar::Other_Format;
}
} // namespace

int width(const QString &text)
{
    int columns = 0;
    for (const char32_t c : text.toUcs4())
        columns += isZeroWidth(c) ? 0 : os::isWide(c) ? 2 : 1;
    return columns;
}

QString aligned(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &row : rows)
        for (qsizetype i = 0; i + 1 < row.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = std::max(widths[i], width(row[i]));
        }
    QString out;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            out += row[i];
            if (i + 1 < row.size())
                out += QString(widths[i] - width(row[i]) + 2, QLatin1Char(' '));
        }
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace textcolumns
