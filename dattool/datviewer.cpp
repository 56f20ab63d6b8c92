#include "dattool/datviewer.h"

#include "dattool/datinput.h"
#include "dattool/datplot.h"
#include "dattool/datvalues.h"
#include "files/wholefile.h"
#include "plot/plotgrid.h"
#include "print/printerport.h"
#include "window/msgbox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

namespace {
const QString kProgram = QStringLiteral("zk61ar-dat");
const QString kPngFilter = QStringLiteral("PNG 图片 (*.png)");
const QString kPdfFilter = QStringLiteral("PDF 文件 (*.pdf)");
} // namespace

PlotView::PlotView(std::vector<QLineF> trace, QWidget *parent)
    : QWidget(parent), m_trace(std::move(trace))
{
    setObjectName(QStringLiteral("plotView"));
    setMinimumSize(410, 250);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QRect PlotView::plotRect() const
{
    const QSize fitted = QSize(kPlotWidth, kPlotHeight).scaled(size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), fitted);
    r.moveCenter(rect().center());
    return r;
}

void PlotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect target = plotRect();
    painter.translate(target.topLeft());
    painter.scale(target.width() / double(kPlotWidth), target.height() / double(kPlotHeight));
    datplot::draw(painter, m_trace, 1, true);
}

DatViewer::DatViewer(const QString &path, const samplefile::Records &records, int range,
                     std::shared_ptr<PrinterPort> printer)
    : m_path(path), m_trace(datplot::traceLines(records, range)), m_printer(std::move(printer))
{
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name + QStringLiteral(" - ") + kProgram);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *info = new QLabel(central);
    info->setObjectName(QStringLiteral("infoLabel"));
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    info->setText(QStringLiteral("%1    量程 %2\n%3")
                      .arg(name, datvalues::rangeName(range),
                           datvalues::summaryText(datvalues::summarize(records))));
    layout->addWidget(info);
    layout->addWidget(new PlotView(m_trace, central), 1);
    setCentralWidget(central);

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    const auto addAction = [&](const char *objectName, const QString &text, const char *keys,
                               auto slot) {
        QAction *action = file->addAction(text, this, slot);
        action->setObjectName(QLatin1String(objectName));
        action->setShortcut(QKeySequence(QLatin1String(keys)));
    };
    addAction("printAction", QStringLiteral("打印(&P)…"), "Ctrl+P", &DatViewer::printPlot);
    addAction("saveAction", QStringLiteral("另存为(&S)…"), "Ctrl+S", &DatViewer::savePlot);
    file->addSeparator();
    addAction("quitAction", QStringLiteral("退出(&Q)"), "Ctrl+Q", [this] { close(); });
    resize(900, 640);
}

void DatViewer::printPlot()
{
    try {
        datplot::print(*m_printer, m_trace);
    } catch (const PrintError &error) {
        showError(this, QStringLiteral("打印"), error);
    }
}

void DatViewer::savePlot()
{
    QFileDialog dialog(this, QStringLiteral("另存为"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kPngFilter, kPdfFilter});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter == kPdfFilter ? QStringLiteral("pdf")
                                                     : QStringLiteral("png"));
    });
    dialog.selectFile(QFileInfo(m_path).completeBaseName() + QStringLiteral(".png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();
    const bool asPdf =
        QFileInfo(target).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    // The dialog has asked before replacing a file.
    try {
        writeWholeFile(target, asPdf ? datplot::pdf(m_trace) : datplot::png(m_trace, 1), true);
    } catch (const FileError &error) {
        showError(this, QStringLiteral("另存为"), error);
    }
}

std::unique_ptr<DatViewer> openViewer(const QString &path, int range,
                                      std::shared_ptr<PrinterPort> printer)
{
    try {
        return std::make_unique<DatViewer>(path, datinput::load(path, range), range,
                                           std::move(printer));
    } catch (const FileError &error) {
        datinput::complain(error);
        showError(nullptr, kProgram, error);
        return nullptr;
    }
}
