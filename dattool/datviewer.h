#pragma once
#include "dattool/datplot.h"
#include "files/samplefile.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class PrinterPort;
class QLabel;

// The plot of a sample file with its labelled axes, scaled to the widget with
// its aspect kept; what is left over stays in the window's own colour. The
// mouse reads it: hovering names the point, a click sets cursor A, the next
// (or a Shift+click) cursor B, the wheel zooms around the mouse and dragging
// pans.
class PlotView : public QWidget
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
    // The point (1..8192) drawn at `at`, 0 outside the plot area.
    int pointAt(const QPointF &at) const;

    // Around the mouse when it is over the plot, around the middle otherwise.
    void zoom(int steps);
    void pan(int divisions);
    void showWhole();
    void clearCursors();

signals:
    // The point under the mouse, 0 when it is over none.
    void hovered(int point);
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

    samplefile::Records m_records;
    datplot::View m_view;
    datplot::Figure m_figure;
    std::optional<QPointF> m_mouse;
    std::optional<QPointF> m_pressedAt;
    PlotSpan m_pressedSpan;
    bool m_dragging = false;
    int m_wheelAngle = 0;
};

// The viewer window: the file's name, range and info line with its figures in
// millivolts, the cursors, the plot, the readout in the status bar, and Print,
// Save (PNG or PDF), zoom and Quit in menus with their usual keys.
class DatViewer : public QMainWindow
{
    Q_OBJECT
public:
    // `rate`: samples a second, for seconds on the axis; 0 for points.
    DatViewer(const QString &path, const samplefile::Records &records, int range,
              std::shared_ptr<PrinterPort> printer, double rate = 0);

    void printPlot();
    void savePlot();

private:
    void showFigures();
    void showReadout(int point);
    // Point, time with a rate, code and millivolts.
    QString pointText(int point) const;

    QString m_path;
    samplefile::Records m_records;
    int m_range;
    double m_rate;
    std::shared_ptr<PrinterPort> m_printer;
    PlotView *m_plot = nullptr;
    QLabel *m_info = nullptr;
    QLabel *m_cursors = nullptr;
    QLabel *m_readout = nullptr;
    QString m_heading;
};
