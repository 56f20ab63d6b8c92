#include "dattool/viewerparts.h"

#include "boxes/msgbox.h"
#include "files/wholefile.h"
#include "print/printerport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QWheelEvent>

#include <cmath>

namespace viewerparts {

namespace {
const QString kPngFilter = QStringLiteral("PNG 图片 (*.png)");
const QString kPdfFilter = QStringLiteral("PDF 文件 (*.pdf)");
// How long the word on a print stays in the status bar.
constexpr int kPrintedMessageMs = 15000;
} // namespace

QKeySequence keys(const char *text)
{
    return QKeySequence(QLatin1String(text));
}

bool Gestures::pressed(const QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    m_pressedAt = event->position();
    m_dragging = false;
    return true;
}

std::optional<double> Gestures::dragged(const QMouseEvent *event)
{
    if (!m_pressedAt || !(event->buttons() & Qt::LeftButton))
        return std::nullopt;
    const double moved = event->position().x() - m_pressedAt->x();
    m_dragging = m_dragging || std::abs(moved) >= kDragPixels;
    return m_dragging ? std::optional<double>(moved) : std::nullopt;
}

bool Gestures::clicked(const QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressedAt)
        return false;
    const bool click = !m_dragging;
    m_pressedAt.reset();
    m_dragging = false;
    return click;
}

int Gestures::wheelSteps(const QWheelEvent *event)
{
    m_wheelAngle += event->angleDelta().y();
    const int steps = m_wheelAngle / QWheelEvent::DefaultDeltasPerStep;
    m_wheelAngle %= QWheelEvent::DefaultDeltasPerStep;
    return steps;
}

QAction *addAction(QMenu *menu, const char *objectName, const QString &text,
                   const QList<QKeySequence> &keys, std::function<void()> slot)
{
    QAction *action = menu->addAction(text, menu, std::move(slot));
    action->setObjectName(QLatin1String(objectName));
    action->setShortcuts(keys);
    return action;
}

QMenu *addViewMenu(QMainWindow *window, Navigation &n, const Words &words)
{
    QMenu *show = window->menuBar()->addMenu(QStringLiteral("查看(&V)"));
    addAction(show, "zoomInAction", QStringLiteral("放大(&I)"), {keys("Ctrl++"), keys("Ctrl+=")},
              [&n] { n.zoom(1); });
    addAction(show, "zoomOutAction", QStringLiteral("缩小(&O)"), {keys("Ctrl+-")},
              [&n] { n.zoom(-1); });
    addAction(show, "wholeAction", words.whole, {keys("Ctrl+0")}, [&n] { n.showWhole(); });
    addAction(show, "leftAction", QStringLiteral("左移"), {keys("Left")}, [&n] { n.pan(-1); });
    addAction(show, "rightAction", QStringLiteral("右移"), {keys("Right")}, [&n] { n.pan(1); });
    show->addSeparator();
    addAction(show, "readoutLeftAction", QStringLiteral("读数左移一") + words.step,
              {keys("Shift+Left")}, [&n] { n.moveReadout(-1); });
    addAction(show, "readoutRightAction", QStringLiteral("读数右移一") + words.step,
              {keys("Shift+Right")}, [&n] { n.moveReadout(1); });
    addAction(show, "readoutDivisionLeftAction", QStringLiteral("读数左移一格"),
              {keys("Ctrl+Left")}, [&n] { n.moveReadoutDivisions(-1); });
    addAction(show, "readoutDivisionRightAction", QStringLiteral("读数右移一格"),
              {keys("Ctrl+Right")}, [&n] { n.moveReadoutDivisions(1); });
    addAction(show, "readoutFirstAction", QStringLiteral("读数到第一") + words.step,
              {keys("Home")}, [&n] { n.moveReadoutToFirst(); });
    addAction(show, "readoutLastAction", QStringLiteral("读数到最后一") + words.step,
              {keys("End")}, [&n] { n.moveReadoutToLast(); });
    addAction(show, "cursorAAction", QStringLiteral("在读数处设光标 A"), {keys("A")},
              [&n] { n.setCursorAtReadout(0); });
    addAction(show, "cursorBAction", QStringLiteral("在读数处设光标 B"), {keys("B")},
              [&n] { n.setCursorAtReadout(1); });
    addAction(show, "clearCursorsAction", QStringLiteral("清除光标(&C)"), {keys("Esc")},
              [&n] { n.clearCursors(); });
    return show;
}

void printThroughDialog(QMainWindow *window, const QString &path,
                        std::unique_ptr<QPrinter> &chosen, PrinterPort &printer,
                        const std::function<void(PrinterPort &)> &print)
{
    if (!chosen) {
        chosen = std::make_unique<QPrinter>(QPrinter::HighResolution);
        chosen->setDocName(QFileInfo(path).fileName());
        // Without a printer Qt prints to a PDF file: one named after the
        // input, beside the others in the current folder.
        if (chosen->outputFormat() == QPrinter::PdfFormat)
            chosen->setOutputFileName(QDir::current().absoluteFilePath(
                QFileInfo(path).completeBaseName() + QStringLiteral(".pdf")));
    }
    QPrintDialog dialog(chosen.get(), window);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString sent = chosen->outputFormat() == QPrinter::PdfFormat
                             ? QStringLiteral("已打印到 PDF 文件 %1").arg(chosen->outputFileName())
                             : QStringLiteral("已送往打印机 %1（%2 份）")
                                   .arg(chosen->printerName())
                                   .arg(chosen->copyCount());
    try {
        printer.usePrinter(chosen.get());
        print(printer);
        window->statusBar()->showMessage(sent, kPrintedMessageMs);
    } catch (const PrintError &error) {
        window->statusBar()->showMessage(QStringLiteral("没有打印"), kPrintedMessageMs);
        showError(window, QStringLiteral("打印"), error);
    }
}

void savePicture(QWidget *parent, const QString &path,
                 const std::function<QByteArray(bool asPdf)> &bytes)
{
    QFileDialog dialog(parent, QStringLiteral("另存为"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kPngFilter, kPdfFilter});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &filter) {
                         dialog.setDefaultSuffix(filter == kPdfFilter ? QStringLiteral("pdf")
                                                                      : QStringLiteral("png"));
                     });
    dialog.selectFile(QFileInfo(path).completeBaseName() + QStringLiteral(".png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();
    const bool asPdf =
        QFileInfo(target).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    // The dialog has asked before replacing a file.
    try {
        writeWholeFile(target, bytes(asPdf), true);
    } catch (const FileError &error) {
        showError(parent, QStringLiteral("另存为"), error);
    }
}

} // namespace viewerparts
