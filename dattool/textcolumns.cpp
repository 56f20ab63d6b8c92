#include "dattool/textcolumns.h"

#include <algorithm>

namespace textcolumns {

namespace {
// East Asian wide and fullwidth characters: CJK, kana, hangul, fullwidth forms.
bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || c == 0x2329 || c == 0x232A ||
           (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE10 && c <= 0xFE19) ||
           (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

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
        columns += isZeroWidth(c) ? 0 : isWide(c) ? 2 : 1;
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
