#include "dattool/datviewer.h"

#include "dattool/datvalues.h"
#include "dattool/plottitle.h"
#include "plot/plotgrid.h"
#include "print/printerport.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
const QString kProgram = QStringLiteral("zk61ar-dat");
constexpr Margins kM = kAxisMargins;
constexpr double kFramedWidth = kM.left + kPlotWidth + kM.right;
constexpr double kFramedHeight = kM.top + kPlotHeight + kM.bottom;
} // namespace

PlotView::PlotView(const samplefile::Records &records, const datplot::View &view, QWidget *parent)
    : QWidget(parent), m_records(records), m_view(view), m_figure(datplot::figure(records, view))
{
    setObjectName(QStringLiteral("plotView"));
    setMinimumSize(480, 320);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QRectF PlotView::plotRect() const
{
    const QSizeF fitted = QSizeF(kFramedWidth, kFramedHeight).scaled(size(), Qt::KeepAspectRatio);
    const double perTwip = fitted.width() / kFramedWidth;
    const QPointF corner((width() - fitted.width()) / 2, (height() - fitted.height()) / 2);
    return QRectF(corner + QPointF(kM.left, kM.top) * perTwip,
                  QSizeF(kPlotWidth, kPlotHeight) * perTwip);
}

int PlotView::pointAt(const QPointF &at) const
{
    const QRectF r = plotRect();
    if (!r.contains(at))
        return 0;
    const double x = (at.x() - r.left()) * kPlotWidth / r.width();
    return std::clamp(int(std::lround(m_view.span.pointAt(x))), 1, samplefile::kRecordCount);
}

void PlotView::setView(const datplot::View &view)
{
    m_view = view;
    m_figure = datplot::figure(m_records, view);
    update();
    emit viewChanged();
    if (m_mouse)
        setReadout(pointAt(*m_mouse));
}

void PlotView::setReadout(int point)
{
    if (point != m_readout)
        update();
    m_readout = point;
    emit readoutMoved(point);
}

void PlotView::moveReadout(int points)
{
    const int from = m_readout > 0
                         ? m_readout
                         : int(std::lround(m_view.span.first + m_view.span.points() / 2.0));
    moveReadoutTo(from + points);
}

void PlotView::moveReadoutTo(int point)
{
    // The mouse leaves the readout to the keys until it moves again.
    m_mouse.reset();
    const int at = std::clamp(point, 1, samplefile::kRecordCount);
    datplot::View v = m_view;
    v.span = showing(m_view.span, at);
    if (!(v.span == m_view.span))
        setView(v);
    setReadout(at);
}

void PlotView::setCursorAtReadout(int cursor)
{
    if (m_readout == 0)
        return;
    datplot::View v = m_view;
    (cursor == 0 ? v.cursorA : v.cursorB) = m_readout;
    setView(v);
}

void PlotView::zoomAround(int steps, const QPointF &at)
{
    const QRectF r = plotRect();
    const double anchor =
        r.contains(at) ? (at.x() - r.left()) * kPlotWidth / r.width() : kPlotWidth / 2.0;
    datplot::View v = m_view;
    v.span = zoomed(m_view.span, steps, anchor);
    setView(v);
}

void PlotView::zoom(int steps)
{
    zoomAround(steps, m_mouse.value_or(QPointF(-1, -1)));
}

void PlotView::pan(int divisions)
{
    datplot::View v = m_view;
    v.span = panned(m_view.span, double(divisions) * m_view.span.perDivision);
    setView(v);
}

void PlotView::showWhole()
{
    datplot::View v = m_view;
    v.span = PlotSpan();
    setView(v);
}

void PlotView::clearCursors()
{
    datplot::View v = m_view;
    v.cursorA = v.cursorB = 0;
    setView(v);
}

void PlotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF target = plotRect();
    painter.translate(target.topLeft());
    const double perTwip = target.width() / kPlotWidth;
    painter.scale(perTwip, perTwip);
    painter.setClipRect(QRectF(0, 0, kPlotWidth, kPlotHeight));
    datplot::drawPlot(painter, m_figure, 1, true);
    const double x = m_view.span.plotX(m_readout);
    if (m_readout > 0 && x >= 0 && x <= kPlotWidth) {
        QPen pen(kReadoutColour, 1, Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(QLineF(x, 0, x, kPlotHeight));
    }
    painter.setClipping(false);
    datplot::drawAxes(painter, m_figure, 1, true, palette().color(QPalette::WindowText));
}

void PlotView::mousePressEvent(QMouseEvent *event)
{
    if (m_gestures.pressed(event))
        m_pressedSpan = m_view.span;
}

void PlotView::mouseMoveEvent(QMouseEvent *event)
{
    m_mouse = event->position();
    if (const std::optional<double> moved = m_gestures.dragged(event)) {
        datplot::View v = m_view;
        v.span = panned(m_pressedSpan, -*moved * m_pressedSpan.points() / plotRect().width());
        setView(v);
        return;
    }
    setReadout(pointAt(*m_mouse));
}

void PlotView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_gestures.clicked(event))
        return;
    const int point = pointAt(event->position());
    if (point == 0)
        return;
    datplot::View v = m_view;
    viewerparts::clickCursors(v.cursorA, v.cursorB, point,
                              (event->modifiers() & Qt::ShiftModifier) != 0, 0);
    setView(v);
}

void PlotView::wheelEvent(QWheelEvent *event)
{
    m_mouse = event->position();
    if (const int steps = m_gestures.wheelSteps(event))
        zoomAround(steps, *m_mouse);
    event->accept();
}

void PlotView::leaveEvent(QEvent *)
{
    if (!m_mouse)
        return;
    m_mouse.reset();
    setReadout(0);
}

DatViewer::DatViewer(const QString &path, const samplefile::Records &records, int range,
                     std::shared_ptr<PrinterPort> printer, double rate)
    : m_path(path), m_records(records), m_range(range), m_rate(rate), m_printer(std::move(printer))
{
    const QString name = QFileInfo(path).fileName();
    setWindowTitle(name + QStringLiteral(" - ") + kProgram);
    m_heading = plottitle::heading(name, range, rate) + QLatin1Char('\n') +
                datvalues::summaryText(datvalues::summarize(records));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    m_info = new QLabel(central);
    m_info->setObjectName(QStringLiteral("infoLabel"));
    m_info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_info->setWordWrap(true);
    layout->addWidget(m_info);
    m_cursors = new QLabel(central);
    m_cursors->setObjectName(QStringLiteral("cursorLabel"));
    m_cursors->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cursors->setWordWrap(true);
    layout->addWidget(m_cursors);
    datplot::View view;
    view.range = range;
    view.rate = rate;
    view.axes = true;
    view.name = name;
    m_plot = new PlotView(records, view, central);
    layout->addWidget(m_plot, 1);
    setCentralWidget(central);
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("readoutLabel"));
    // Beside the status bar's messages, which would hide it otherwise.
    statusBar()->addPermanentWidget(m_readout);
    connect(m_plot, &PlotView::readoutMoved, this, &DatViewer::showReadout);
    connect(m_plot, &PlotView::viewChanged, this, &DatViewer::showFigures);

    using viewerparts::addAction;
    using viewerparts::keys;
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    addAction(file, "printAction", QStringLiteral("打印(&P)…"), {keys("Ctrl+P")},
              [this] { printPlot(); });
    addAction(file, "saveAction", QStringLiteral("另存为(&S)…"), {keys("Ctrl+S")},
              [this] { savePlot(); });
    file->addSeparator();
    addAction(file, "quitAction", QStringLiteral("退出(&Q)"), {keys("Ctrl+Q")},
              [this] { close(); });
    viewerparts::addViewMenu(this, *m_plot,
                             {QStringLiteral("点"), QStringLiteral("整个文件(&W)")});
    showFigures();
    resize(960, 720);
}

DatViewer::~DatViewer() = default;

void DatViewer::showReadout(int point)
{
    m_readout->setText(point > 0 ? plottitle::pointText(m_records, m_range, m_rate, point)
                                 : QString());
}

void DatViewer::showFigures()
{
    const datplot::View &v = m_plot->view();
    m_info->setText(m_heading + QLatin1Char('\n') +
                    plottitle::figuresText(m_records, m_range, v.cursorA, v.cursorB));
    const QString cursors =
        plottitle::cursorsText(m_records, m_range, m_rate, v.cursorA, v.cursorB);
    m_cursors->setText(cursors.isEmpty()
                           ? QStringLiteral("单击设光标 A，再单击（或 Shift+单击）设光标 B；"
                                            "Shift+←/→ 移动读数，A、B 键在读数处设光标")
                           : cursors);
}

void DatViewer::printPlot()
{
    viewerparts::printThroughDialog(this, m_path, m_chosenPrinter, *m_printer,
                                    [this](PrinterPort &printer) {
                                        datplot::print(printer, m_plot->figure());
                                    });
}

void DatViewer::savePlot()
{
    const datplot::Figure &figure = m_plot->figure();
    viewerparts::savePicture(this, m_path, [&figure](bool asPdf) {
        return asPdf ? datplot::pdf(figure) : datplot::png(figure, 1);
    });
}
