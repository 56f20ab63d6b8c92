#include "window/commondialog.h"

#include <QFileDialog>
#include <QFileInfo>

QStringList CommonDialog::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

void CommonDialog::ShowOpen(QWidget *parent)
{
    QFileDialog dialog(parent, DialogTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(Filter));
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        FileName = withDefaultExt(dialog.selectedFiles().constFirst());
    else
        FileName.clear();
}

QString CommonDialog::withDefaultExt(const QString &path) const
{
    // Applied here, not by the dialog: the dialog looks a typed name up in the
    // process's current directory instead of the folder it shows, and so put
    // the extension on files the operator picked elsewhere.
    const QString ext = DefaultExt.startsWith(QLatin1Char('.')) ? DefaultExt.mid(1) : DefaultExt;
    const QFileInfo info(path);
    if (ext.isEmpty() || info.exists() || info.isSymLink() || !info.suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + ext;
}
