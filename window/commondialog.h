#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// The file-open dialog with its settings as the window assigns them. FileName
// keeps the last choice between uses; a cancelled dialog leaves it empty.
class CommonDialog
{
public:
    QString DefaultExt; // ".dat"
    QString DialogTitle;
    QString Filter; // "description|pattern[|description|pattern...]"
    QString FileName;

    void ShowOpen(QWidget *parent);
    // `path` with DefaultExt added when no such file exists and it has no extension.
    QString withDefaultExt(const QString &path) const;

    // Filter in Qt's form: one "description (patterns)" per entry; a
    // description that ends in its patterns already is taken as it is.
    static QStringList nameFilters(const QString &filter);
};
