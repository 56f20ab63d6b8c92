#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Text in columns on a terminal, where a Chinese character takes two columns
// and a combining mark none.
namespace textcolumns {

// The columns `text` takes on a terminal.
int width(const QString &text);

// One line per row, each column padded to its widest entry and two spaces from
// the next; the last column is not padded.
QString aligned(const QList<QStringList> &rows);

} // namespace textcolumns
