#pragma once
#include "files/samplefile.h"

#include <QLineF>
#include <QMainWindow>

#include <memory>
#include <vector>

class PrinterPort;

// The plot of a sample file, scaled to the widget with its 8200 x 5000 aspect
// kept; what is left over stays in the window's own colour.
class PlotView : public QWidget
{
    Q_OBJECT
public:
    explicit PlotView(std::vector<QLineF> trace, QWidget *parent = nullptr);
    // Where the plot is drawn inside the widget.
    QRect plotRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<QLineF> m_trace;
};

// The viewer window: the plot, the file's name, range and info line, and Print,
// Save (PNG or PDF) and Quit in a menu with their usual keys.
class DatViewer : public QMainWindow
{
    Q_OBJECT
public:
    DatViewer(const QString &path, const samplefile::Records &records, int range,
              std::shared_ptr<PrinterPort> printer);

    void printPlot();
    void savePlot();

private:
    QString m_path;
    std::vector<QLineF> m_trace;
    std::shared_ptr<PrinterPort> m_printer;
};

// Reads `path` as a sample file of `range` and opens a viewer on it. A file
// that is no sample file of that range gets a box and a line on stderr, and no
// viewer.
std::unique_ptr<DatViewer> openViewer(const QString &path, int range,
                                      std::shared_ptr<PrinterPort> printer);
