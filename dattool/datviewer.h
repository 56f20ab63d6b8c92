#pragma once
#include "dattool/datplot.h"
#include "dattool/viewerparts.h"
#include "files/samplefile.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class PrinterPort;
class QLabel;
class QPrinter;

// The plot of a sample file with its labelled axes, scaled to the widget with
// its aspect kept; what is left over stays in the window's own colour. The
// mouse reads it: the readout follows the point nearest to it, a click sets
// cursor A there, the next (or a Shift+click) cursor B, the wheel zooms around
// the mouse and dragging pans. The keys move the readout too, the view
// following it, and set the cursors at it.
class PlotView : public QWidget, public viewerparts::Navigation
{
    Q_OBJECT
public:
    PlotView(const samplefile::Records &records, const datplot::View &view,
             QWidget *parent = nullptr);
    // Where the plot area (without the margins) is drawn inside the widget.
    QRectF plotRect() const;
    const datplot::View &view() const { return m_view; }
    // What the widget draws, axes and cursors included.
    const datplot::Figure &figure() const { return m_figure; }
    // The point (1..8192) drawn nearest to `at`, 0 outside the plot area.
    int pointAt(const QPointF &at) const;
    // The point read out, 0 for none.
    int readout() const { return m_readout; }

    void zoom(int steps) override;
    void pan(int divisions) override;
    void showWhole() override;
    void clearCursors() override;
    // The readout `points` on (from the middle of the view when there is
    // none), or at `point`; kept within the file, the view following it.
    void moveReadout(int points) override;
    void moveReadoutTo(int point);
    void moveReadoutDivisions(int divisions) override
    {
        moveReadout(divisions * m_view.span.perDivision);
    }
    void moveReadoutToFirst() override { moveReadoutTo(1); }
    void moveReadoutToLast() override { moveReadoutTo(samplefile::kRecordCount); }
    void setCursorAtReadout(int cursor) override;

signals:
    // The point read out, 0 when there is none.
    void readoutMoved(int point);
    void viewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setView(const datplot::View &view);
    void zoomAround(int steps, const QPointF &at);
    void setReadout(int point);

    samplefile::Records m_records;
    datplot::View m_view;
    datplot::Figure m_figure;
    std::optional<QPointF> m_mouse;
    viewerparts::Gestures m_gestures;
    PlotSpan m_pressedSpan;
    int m_readout = 0;
};

// The viewer window: the file's name, range and info line with its figures in
// millivolts, the cursors, the plot, the readout in the status bar, and Print
// (through Qt's print dialog), Save (PNG or PDF), zoom, the readout's keys and
// Quit in menus with their usual keys. A page or a picture carries the same
// words as a title.
class DatViewer : public QMainWindow
{
    Q_OBJECT
public:
    // `rate`: samples a second, for seconds on the axis; 0 for points.
    DatViewer(const QString &path, const samplefile::Records &records, int range,
              std::shared_ptr<PrinterPort> printer, double rate = 0);
    ~DatViewer() override;

    void printPlot();
    void savePlot();

private:
    void showFigures();
    void showReadout(int point);

    QString m_path;
    samplefile::Records m_records;
    int m_range;
    double m_rate;
    std::shared_ptr<PrinterPort> m_printer;
    // The print dialog's answer, offered again at the next print.
    std::unique_ptr<QPrinter> m_chosenPrinter;
    PlotView *m_plot = nullptr;
    QLabel *m_info = nullptr;
    QLabel *m_cursors = nullptr;
    QLabel *m_readout = nullptr;
    QString m_heading;
};
