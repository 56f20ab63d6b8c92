#include "window/commondialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

namespace {
// The widest size the list shows, a Chinese locale's spelling included.
const QString kWidestSize = QStringLiteral("1023.99 KiB");
constexpr int kSizeColumn = 1;
constexpr int kColumnPaddingPx = 24;

// The size column wide enough for a whole size: Qt's default width elides
// "16.00 KiB" under a Chinese header.
void showWholeSizes(QFileDialog &dialog)
{
    auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!details)
        return;
    const int needed = details->fontMetrics().horizontalAdvance(kWidestSize) + kColumnPaddingPx;
    if (details->header()->sectionSize(kSizeColumn) < needed)
        details->header()->resizeSection(kSizeColumn, needed);
}
} // namespace

QStringList CommonDialog::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already shows its patterns is shown as it is.
        const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (parts.at(i).endsWith(shown) ? parts.at(i)
                                                : parts.at(i) + QLatin1Char(' ') + shown);
    }
    return filters;
}

void CommonDialog::ShowOpen(QWidget *parent)
{
    QFileDialog dialog(parent, DialogTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(Filter));
    showWholeSizes(dialog);
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
