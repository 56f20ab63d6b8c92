#include "dattool/recordviewer.h"

#include "boxes/msgbox.h"
#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "dattool/recordinginput.h"
#include "files/wholefile.h"
#include "logformat/excerpt.h"
#include "logformat/recordingerror.h"
#include "logformat/rowparser.h"
#include "plot/plotgrid.h"
#include "plot/timespan.h"
#include "print/printerport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
const QString kProgram = QStringLiteral("zk61ar-dat");
const QString kRecordingFilter = QStringLiteral("录制文件 (*.csv)");
constexpr recordplot::Margins kM = recordplot::kAxisMargins;
// The narrowest view: two scans apart, or a microsecond.
constexpr int kNarrowestScans = 2;
constexpr std::int64_t kNarrowestNs = 1000;
constexpr int kLeastLaneHeight = 24;
constexpr int kMostLaneKeys = 8;
// How long the word on an export stays in the status bar.
constexpr int kExportedMessageMs = 15000;

QString text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QString secondsOf(std::int64_t ns)
{
    return text(logformat::secondsText(ns)) + QStringLiteral(" s");
}

QString laneName(const logformat::Recording &recording, int column)
{
    const logformat::ChannelRange &c = recording.heading().channels[std::size_t(column)];
    return QStringLiteral("ch%1 %2").arg(c.channel).arg(datvalues::rangeName(c.range));
}
} // namespace

RecordView::RecordView(const logformat::Recording &recording, const QString &title,
                       QWidget *parent)
    : QWidget(parent), m_recording(recording), m_title(title),
      m_span(logformat::wholeSpan(recording))
{
    setObjectName(QStringLiteral("recordView"));
    setMinimumSize(480, 320);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

double RecordView::plotWidth() const
{
    return std::max(1, width() - kM.left - kM.right);
}

recordplot::Chart RecordView::chart() const
{
    recordplot::Chart c;
    c.title = m_title;
    c.span = m_span;
    c.axes = true;
    c.lanes = m_lanes;
    c.plotWidth = int(plotWidth());
    const int lanes = int(recordplot::lanesOf(m_recording, c).size());
    c.laneHeight = std::max(kLeastLaneHeight,
                            (height() - kM.top - kM.bottom - (lanes - 1) * recordplot::kLaneGap) /
                                std::max(1, lanes));
    for (int i = 0; i < 2; ++i)
        if (m_cursors[i] >= 0 && m_cursors[i] < m_recording.rows())
            c.cursors[i] = m_recording.timeNs(m_cursors[i]);
    return c;
}

const recordplot::Sheet &RecordView::sheet() const
{
    if (!m_sheet)
        m_sheet = recordplot::sheet(m_recording, chart());
    return *m_sheet;
}

std::int64_t RecordView::nearestRow(std::int64_t ns) const
{
    const std::int64_t rows = m_recording.rows();
    if (rows == 0)
        return -1;
    const std::int64_t after = std::min(m_recording.rowAtOrAfter(ns), rows - 1);
    if (after > 0 && ns - m_recording.timeNs(after - 1) <= m_recording.timeNs(after) - ns)
        return after - 1;
    return after;
}

std::int64_t RecordView::rowAt(const QPointF &at) const
{
    const recordplot::Sheet &s = sheet();
    if (s.lanes.empty() || at.x() < kM.left || at.x() >= kM.left + plotWidth() ||
        at.y() < s.lanes.front().top() || at.y() >= s.lanes.back().bottom())
        return -1;
    const double share = (at.x() - kM.left) / plotWidth();
    return nearestRow(m_span.firstNs +
                      std::int64_t(std::llround(share * double(m_span.endNs - m_span.firstNs))));
}

void RecordView::changed()
{
    m_sheet.reset();
    update();
    emit viewChanged();
}

void RecordView::setSpan(const logformat::TimeSpan &span, bool whole)
{
    const logformat::TimeSpan all = logformat::wholeSpan(m_recording);
    m_span = span;
    m_whole = whole;
    m_pinned = whole || span.endNs >= all.endNs;
    changed();
    if (m_mouse)
        setReadout(rowAt(*m_mouse));
}

void RecordView::setLanes(const std::vector<int> &columns)
{
    m_lanes = columns;
    changed();
}

void RecordView::showNewest()
{
    setSpan(timespan::atEnd(m_span, logformat::wholeSpan(m_recording)), m_whole);
}

void RecordView::rowsAdded()
{
    const logformat::TimeSpan all = logformat::wholeSpan(m_recording);
    if (m_whole)
        setSpan(all, true);
    else if (m_pinned)
        setSpan(timespan::atEnd(m_span, all));
    else
        changed();
}

void RecordView::setReadout(std::int64_t row)
{
    if (row != m_readout)
        update();
    m_readout = row;
    emit readoutMoved(row);
}

void RecordView::moveReadoutTo(std::int64_t row)
{
    if (m_recording.rows() == 0)
        return;
    // The mouse leaves the readout to the keys until it moves again.
    m_mouse.reset();
    const std::int64_t at = std::clamp<std::int64_t>(row, 0, m_recording.rows() - 1);
    const logformat::TimeSpan moved =
        timespan::showing(m_span, logformat::wholeSpan(m_recording), m_recording.timeNs(at));
    if (moved.firstNs != m_span.firstNs || moved.endNs != m_span.endNs)
        setSpan(moved);
    setReadout(at);
}

void RecordView::moveReadout(int steps)
{
    const std::int64_t from =
        m_readout >= 0 ? m_readout : nearestRow((m_span.firstNs + m_span.endNs) / 2);
    moveReadoutTo(from + steps);
}

void RecordView::moveReadoutDivisions(int divisions)
{
    if (m_recording.rows() == 0)
        return;
    const std::int64_t from = m_readout >= 0 ? m_recording.timeNs(m_readout)
                                             : (m_span.firstNs + m_span.endNs) / 2;
    const std::int64_t row =
        nearestRow(from + divisions * (m_span.endNs - m_span.firstNs) / kDivisions);
    // A division shorter than a scan still moves on.
    moveReadoutTo(row == m_readout ? row + (divisions > 0 ? 1 : -1) : row);
}

void RecordView::moveReadoutToLast()
{
    moveReadoutTo(m_recording.rows() - 1);
}

void RecordView::setCursorAtReadout(int cursor)
{
    if (m_readout < 0)
        return;
    m_cursors[cursor] = m_readout;
    changed();
}

void RecordView::clearCursors()
{
    m_cursors[0] = m_cursors[1] = -1;
    changed();
}

void RecordView::zoomAround(int steps, double atX)
{
    const logformat::TimeSpan all = logformat::wholeSpan(m_recording);
    const double anchor = atX >= kM.left && atX < kM.left + plotWidth()
                              ? (atX - kM.left) / plotWidth()
                              : 0.5;
    const std::int64_t perScan =
        m_recording.rows() > 1 ? (all.endNs - all.firstNs) / m_recording.rows() : 0;
    const logformat::TimeSpan zoomedSpan = timespan::zoomed(
        m_span, all, steps, anchor, std::max(kNarrowestNs, kNarrowestScans * perScan));
    setSpan(zoomedSpan, zoomedSpan.firstNs == all.firstNs && zoomedSpan.endNs == all.endNs);
}

void RecordView::zoom(int steps)
{
    zoomAround(steps, m_mouse ? m_mouse->x() : -1);
}

void RecordView::pan(int divisions)
{
    setSpan(timespan::panned(m_span, logformat::wholeSpan(m_recording),
                             divisions * (m_span.endNs - m_span.firstNs) / kDivisions));
}

void RecordView::showWhole()
{
    setSpan(logformat::wholeSpan(m_recording), true);
}

void RecordView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    recordplot::draw(painter, sheet(), palette().color(QPalette::WindowText));
    if (m_readout < 0 || m_readout >= m_recording.rows())
        return;
    const std::int64_t ns = m_recording.timeNs(m_readout);
    if (ns < m_span.firstNs || ns >= m_span.endNs || sheet().lanes.empty())
        return;
    const double x =
        kM.left + std::floor(double(ns - m_span.firstNs) * plotWidth() /
                             double(std::max<std::int64_t>(1, m_span.endNs - m_span.firstNs)));
    QPen pen(kReadoutColour, 1, Qt::DotLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLine(QLineF(x, sheet().lanes.front().top(), x, sheet().lanes.back().bottom() - 1));
}

void RecordView::resizeEvent(QResizeEvent *)
{
    m_sheet.reset();
}

void RecordView::mousePressEvent(QMouseEvent *event)
{
    if (m_gestures.pressed(event))
        m_pressedSpan = m_span;
}

void RecordView::mouseMoveEvent(QMouseEvent *event)
{
    m_mouse = event->position();
    if (const std::optional<double> moved = m_gestures.dragged(event)) {
        const double perPixel = double(m_pressedSpan.endNs - m_pressedSpan.firstNs) / plotWidth();
        setSpan(timespan::panned(m_pressedSpan, logformat::wholeSpan(m_recording),
                                 -std::int64_t(std::llround(*moved * perPixel))));
        return;
    }
    setReadout(rowAt(*m_mouse));
}

void RecordView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_gestures.clicked(event))
        return;
    const std::int64_t row = rowAt(event->position());
    if (row < 0)
        return;
    viewerparts::clickCursors(m_cursors[0], m_cursors[1], row,
                              (event->modifiers() & Qt::ShiftModifier) != 0, std::int64_t(-1));
    changed();
}

void RecordView::wheelEvent(QWheelEvent *event)
{
    m_mouse = event->position();
    if (const int steps = m_gestures.wheelSteps(event))
        zoomAround(steps, m_mouse->x());
    event->accept();
}

void RecordView::leaveEvent(QEvent *)
{
    if (!m_mouse)
        return;
    m_mouse.reset();
    setReadout(-1);
}

RecordViewer::RecordViewer(const QString &path, std::unique_ptr<logformat::RecordingReader> reader,
                           std::shared_ptr<PrinterPort> printer, bool follow)
    : m_path(path), m_reader(std::move(reader)), m_printer(std::move(printer))
{
    const logformat::Recording &recording = m_reader->recording();
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name + QStringLiteral(" - ") + kProgram);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    const auto label = [&](const char *objectName) {
        auto *l = new QLabel(central);
        l->setObjectName(QLatin1String(objectName));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
        layout->addWidget(l);
        return l;
    };
    m_info = label("infoLabel");
    m_figures = label("figuresLabel");
    m_cursors = label("cursorLabel");
    m_view = new RecordView(recording, name, central);
    layout->addWidget(m_view, 1);
    setCentralWidget(central);
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("readoutLabel"));
    m_following = new QLabel(this);
    m_following->setObjectName(QStringLiteral("followLabel"));
    // Beside the status bar's messages, which would hide them otherwise.
    statusBar()->addPermanentWidget(m_readout);
    statusBar()->addPermanentWidget(m_following);
    connect(m_view, &RecordView::readoutMoved, this, &RecordViewer::showReadout);
    connect(m_view, &RecordView::viewChanged, this, &RecordViewer::showFigures);

    using viewerparts::addAction;
    using viewerparts::keys;
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    addAction(file, "printAction", QStringLiteral("打印(&P)…"), {keys("Ctrl+P")},
              [this] { printChart(); });
    addAction(file, "saveAction", QStringLiteral("另存为图片(&S)…"), {keys("Ctrl+S")},
              [this] { saveChart(); });
    addAction(file, "exportAction", QStringLiteral("导出光标之间的录制(&E)…"), {keys("Ctrl+E")},
              [this] { exportSpan(); });
    file->addSeparator();
    addAction(file, "quitAction", QStringLiteral("退出(&Q)"), {keys("Ctrl+Q")},
              [this] { close(); });
    QMenu *show = viewerparts::addViewMenu(
        this, *m_view, {QStringLiteral("次扫描"), QStringLiteral("整个录制(&W)")});
    QMenu *lanes = menuBar()->addMenu(QStringLiteral("通道(&C)"));
    for (int c = 0; c < recording.channels(); ++c) {
        QAction *action = addAction(lanes, qPrintable(QStringLiteral("laneAction%1").arg(c)),
                                    laneName(recording, c),
                                    c < kMostLaneKeys ? QList<QKeySequence>{QKeySequence(
                                                            Qt::Key_1 + c)}
                                                      : QList<QKeySequence>{},
                                    [this, c] { toggleLane(c); });
        action->setCheckable(true);
        action->setChecked(true);
        m_laneActions.push_back(action);
    }
    if (follow) {
        show->addSeparator();
        m_newest = addAction(show, "newestAction", QStringLiteral("显示最新(&N)"), {keys("F")},
                             [this] { m_view->showNewest(); });
        QToolBar *bar = addToolBar(QStringLiteral("跟随"));
        bar->setObjectName(QStringLiteral("followBar"));
        bar->addAction(m_newest);
        connect(&m_timer, &QTimer::timeout, this, &RecordViewer::readMore);
        m_timer.start(kFollowMs);
    }
    showFigures();
    sayFollowing();
    resize(1200, 860);
}

RecordViewer::~RecordViewer() = default;

std::pair<std::int64_t, std::int64_t> RecordViewer::cursorRows() const
{
    const std::int64_t a = m_view->cursor(0), b = m_view->cursor(1);
    if (a < 0 || b < 0)
        return {0, m_reader->recording().rows()};
    return {std::min(a, b), std::max(a, b) + 1};
}

const std::vector<logformat::Sums> &RecordViewer::sumsOf(std::int64_t first, std::int64_t end)
{
    const logformat::Recording &r = m_reader->recording();
    const bool grows = first == m_sumsFirst && m_sumsEnd >= first && end >= m_sumsEnd;
    if (!grows) {
        m_sums.assign(std::size_t(r.channels()), logformat::Sums{});
        m_sumsFirst = m_sumsEnd = first;
    }
    for (int c = 0; c < r.channels() && end > m_sumsEnd; ++c) {
        const logformat::Sums more = r.sums(c, m_sumsEnd, end);
        logformat::Sums &s = m_sums[std::size_t(c)];
        s.count += more.count;
        s.sum += more.sum;
        s.squares += more.squares;
        s.extent.add(more.extent);
    }
    m_sumsEnd = end;
    return m_sums;
}

void RecordViewer::showFigures()
{
    const logformat::Recording &r = m_reader->recording();
    const logformat::TimeSpan whole = logformat::wholeSpan(r);
    m_info->setText(QStringLiteral("%1    开始 %2（UTC）    时长 %3    %4 行    超时跳过 %5 次")
                        .arg(m_path, text(r.heading().start),
                             secondsOf(r.rows() > 0 ? whole.endNs - 1 - whole.firstNs : 0))
                        .arg(r.rows())
                        .arg(r.skipped()));
    const auto [first, end] = cursorRows();
    QStringList lines;
    lines << (first == 0 && end == r.rows() && (m_view->cursor(0) < 0 || m_view->cursor(1) < 0)
                  ? QStringLiteral("整个录制：")
                  : QStringLiteral("光标之间（扫描 %1..%2）：")
                        .arg(r.scan(first))
                        .arg(r.scan(end - 1)));
    if (end > first) {
        const std::vector<logformat::Sums> &sums = sumsOf(first, end);
        for (int c = 0; c < r.channels(); ++c)
            lines << laneName(r, c) + QStringLiteral("  ") +
                         recordinginput::channelFigures(
                             sums[std::size_t(c)], r.heading().channels[std::size_t(c)].range)
                             .join(QStringLiteral("  "));
    }
    m_figures->setText(lines.join(QLatin1Char('\n')));
    QStringList cursors;
    for (int c = 0; c < 2; ++c)
        if (const std::int64_t row = m_view->cursor(c); row >= 0 && row < r.rows())
            cursors << QStringLiteral("%1：扫描 %2（%3）")
                           .arg(QLatin1Char(c == 0 ? 'A' : 'B'))
                           .arg(r.scan(row))
                           .arg(secondsOf(r.timeNs(row)));
    if (cursors.size() == 2) {
        const std::int64_t a = m_view->cursor(0), b = m_view->cursor(1);
        cursors << QStringLiteral("B−A：%1，%2 次扫描")
                       .arg(secondsOf(r.timeNs(b) - r.timeNs(a)))
                       .arg(r.scan(b) - r.scan(a));
    }
    m_cursors->setText(cursors.isEmpty()
                           ? QStringLiteral("单击设光标 A，再单击（或 Shift+单击）设光标 B；"
                                            "Shift+←/→ 移动读数，A、B 键在读数处设光标")
                           : cursors.join(QStringLiteral("    ")));
}

void RecordViewer::showReadout(std::int64_t row)
{
    const logformat::Recording &r = m_reader->recording();
    if (row < 0 || row >= r.rows()) {
        m_readout->clear();
        return;
    }
    QString line = QStringLiteral("%1  扫描 %2").arg(secondsOf(r.timeNs(row))).arg(r.scan(row));
    for (const int c : recordplot::lanesOf(r, m_view->chart()))
        line += QStringLiteral("  ch%1 %2 mV")
                    .arg(r.heading().channels[std::size_t(c)].channel)
                    .arg(datvalues::millivoltText(r.code(c, row),
                                                  r.heading().channels[std::size_t(c)].range));
    m_readout->setText(line);
}

void RecordViewer::toggleLane(int column)
{
    std::vector<int> shown;
    for (std::size_t c = 0; c < m_laneActions.size(); ++c)
        if (m_laneActions[c]->isChecked())
            shown.push_back(int(c));
    // One lane stays.
    if (shown.empty()) {
        m_laneActions[std::size_t(column)]->setChecked(true);
        return;
    }
    m_view->setLanes(shown);
    showReadout(m_view->readout());
}

void RecordViewer::sayFollowing()
{
    if (!m_newest || m_stopped)
        return;
    const logformat::Recording &r = m_reader->recording();
    m_following->setText(m_reader->ended()
                             ? QStringLiteral("录制已结束（%1 行）").arg(r.rows())
                             : QStringLiteral("跟随中：%1 行").arg(r.rows()));
}

void RecordViewer::readMore()
{
    std::int64_t added = 0;
    try {
        added = m_reader->readMore(
            std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count());
    } catch (const RecordingError &error) {
        m_timer.stop();
        m_stopped = true;
        m_following->setText(QStringLiteral("停止跟随：") + QString::fromUtf8(error.what()));
        return;
    }
    if (added > 0) {
        m_view->rowsAdded();
        showFigures();
    }
    if (m_reader->ended())
        m_timer.stop();
    sayFollowing();
}

void RecordViewer::printChart()
{
    viewerparts::printThroughDialog(this, m_path, m_chosenPrinter, *m_printer,
                                    [this](PrinterPort &printer) {
                                        recordplot::Chart chart = m_view->chart();
                                        chart.plotWidth = recordplot::kPlotWidth;
                                        chart.laneHeight = recordplot::kLaneHeight;
                                        recordplot::print(printer,
                                                          recordplot::sheet(m_reader->recording(),
                                                                            chart));
                                    });
}

void RecordViewer::saveChart()
{
    recordplot::Chart chart = m_view->chart();
    chart.plotWidth = recordplot::kPlotWidth;
    chart.laneHeight = recordplot::kLaneHeight;
    const logformat::Recording &r = m_reader->recording();
    viewerparts::savePicture(this, m_path, [&](bool asPdf) {
        return asPdf ? recordplot::pdf(r, chart) : recordplot::png(r, chart);
    });
}

void RecordViewer::exportSpan()
{
    const logformat::Recording &r = m_reader->recording();
    const auto [first, end] = cursorRows();
    if (end <= first)
        return;
    QFileDialog dialog(this, QStringLiteral("导出光标之间的录制"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({kRecordingFilter});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QFileInfo(m_path).completeBaseName() +
                      QStringLiteral("-%1-%2.csv").arg(r.scan(first)).arg(r.scan(end - 1)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();
    // Never over the recording itself: any of its parts, by any name.
    QStringList inputs;
    for (const std::string &part : m_reader->files())
        inputs << escapedText(QByteArray::fromStdString(part));
    const QString held = datinput::Inputs(inputs).holding(target);
    if (!held.isEmpty()) {
        showError(this, QStringLiteral("导出"), held);
        return;
    }
    const std::string bytes = logformat::excerptText(r, first, end, m_path.toStdString());
    // The dialog has asked before replacing a file; anything but a regular
    // file is refused all the same.
    try {
        writeWholeFile(target, QByteArray::fromStdString(bytes), true);
        statusBar()->showMessage(QStringLiteral("已导出 %1 行到 %2").arg(end - first).arg(target),
                                 kExportedMessageMs);
    } catch (const FileError &error) {
        showError(this, QStringLiteral("导出"), error);
    }
}
