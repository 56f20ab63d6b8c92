#pragma once
#include "dattool/recordplot.h"
#include "dattool/viewerparts.h"
#include "logformat/reader.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>
#include <optional>

class PrinterPort;
class QAction;
class QLabel;
class QPrinter;

// A recording's strip chart (recordplot.h) filling the widget, one lane for
// each channel shown. The mouse reads it: the readout follows the scan
// nearest to it, a click sets cursor A there, the next (or a Shift+click)
// cursor B, the wheel zooms around the mouse and dragging pans; the keys of
// the view menu do the same (viewerparts.h). While following, a view that
// reaches the newest scan keeps it at the right edge as rows come, and the
// whole recording stays whole.
class RecordView : public QWidget, public viewerparts::Navigation
{
    Q_OBJECT
public:
    RecordView(const logformat::Recording &recording, const QString &title,
               QWidget *parent = nullptr);

    // What is drawn now: times, lanes, cursors, in the widget's pixels.
    recordplot::Chart chart() const;
    const recordplot::Sheet &sheet() const;
    logformat::TimeSpan span() const { return m_span; }
    // Rows, -1 for none.
    std::int64_t readout() const { return m_readout; }
    std::int64_t cursor(int c) const { return m_cursors[c]; }
    // The row drawn nearest to `at`, -1 outside the lanes.
    std::int64_t rowAt(const QPointF &at) const;
    // Whether the view reaches the newest scan, and so moves with the rows that come.
    bool atNewest() const { return m_pinned; }

    void setLanes(const std::vector<int> &columns);
    // The view moved to the newest scan, kept there as rows come.
    void showNewest();
    // Rows came: the whole view, or one at the newest scan, moves with them.
    void rowsAdded();

    void zoom(int steps) override;
    void pan(int divisions) override;
    void showWhole() override;
    void moveReadout(int steps) override;
    void moveReadoutDivisions(int divisions) override;
    void moveReadoutToFirst() override { moveReadoutTo(0); }
    void moveReadoutToLast() override;
    void setCursorAtReadout(int cursor) override;
    void clearCursors() override;

signals:
    void readoutMoved(std::int64_t row);
    void viewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setSpan(const logformat::TimeSpan &span, bool whole = false);
    void changed();
    void setReadout(std::int64_t row);
    void moveReadoutTo(std::int64_t row);
    void zoomAround(int steps, double atX);
    double plotWidth() const;
    std::int64_t nearestRow(std::int64_t ns) const;

    const logformat::Recording &m_recording;
    QString m_title;
    std::vector<int> m_lanes;
    logformat::TimeSpan m_span;
    bool m_whole = true;
    bool m_pinned = true;
    std::int64_t m_cursors[2] = {-1, -1};
    std::int64_t m_readout = -1;
    mutable std::optional<recordplot::Sheet> m_sheet;
    std::optional<QPointF> m_mouse;
    viewerparts::Gestures m_gestures;
    logformat::TimeSpan m_pressedSpan;
};

// The viewer of a recording: the file, its start in UTC and its length, each
// channel's figures in millivolts over the whole run or between the cursors,
// the cursors, the chart, the readout in the status bar; menus to print (Qt's
// print dialog), save a picture (PNG or PDF), export the span between the
// cursors as a recording, hide and show channels, zoom and move. Following,
// a timer reads the rows appended since, and the status bar says when the
// recording has ended.
class RecordViewer : public QMainWindow
{
    Q_OBJECT
public:
    // `reader` has read the recording; `follow`: keep reading what is appended.
    RecordViewer(const QString &path, std::unique_ptr<logformat::RecordingReader> reader,
                 std::shared_ptr<PrinterPort> printer, bool follow = false);
    ~RecordViewer() override;

    RecordView *view() const { return m_view; }
    void printChart();
    void saveChart();
    void exportSpan();
    // Following: reads what came since; the timer calls it.
    void readMore();

    // How often a followed recording is looked at.
    static constexpr int kFollowMs = 250;

private:
    void showFigures();
    void showReadout(std::int64_t row);
    void toggleLane(int column);
    void sayFollowing();
    // Each channel's sums of rows [first, end), kept: while following, those
    // of the whole run grow by the rows that came.
    const std::vector<logformat::Sums> &sumsOf(std::int64_t first, std::int64_t end);
    // The span between the cursors, or the whole run: rows [first, end).
    std::pair<std::int64_t, std::int64_t> cursorRows() const;

    QString m_path;
    std::unique_ptr<logformat::RecordingReader> m_reader;
    std::shared_ptr<PrinterPort> m_printer;
    std::unique_ptr<QPrinter> m_chosenPrinter;
    RecordView *m_view = nullptr;
    QLabel *m_info = nullptr;
    QLabel *m_cursors = nullptr;
    QLabel *m_figures = nullptr;
    QLabel *m_readout = nullptr;
    QLabel *m_following = nullptr;
    QAction *m_newest = nullptr;
    std::vector<QAction *> m_laneActions;
    std::vector<logformat::Sums> m_sums;
    std::int64_t m_sumsFirst = 0, m_sumsEnd = -1;
    QTimer m_timer;
    bool m_stopped = false; // following ended by a fault
};
