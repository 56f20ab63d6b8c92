#include "window/plotarea.h"

#include "plot/plotgrid.h"
#include "plot/twips.h"
#include "window/controls.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {
// The screen is brought up to date at its own rate, but never more often than
// this: a faster screen shows a trace no better for more repaints.
constexpr double kMaxRefreshHz = 60;
// A sweep that ends within this many frames is shown only whole.
constexpr int kFramesHeldForSweep = 2;
} // namespace

PlotArea::PlotArea(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorderPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    const QScreen *screen = QGuiApplication::primaryScreen();
    const double screenHz = screen ? screen->refreshRate() : 0;
    const double hz = screenHz > 1 ? qMin(screenHz, kMaxRefreshHz) : kMaxRefreshHz;
    m_screenUpdate.setInterval(qRound(1000.0 / hz));
    connect(&m_screenUpdate, &QTimer::timeout, this, &PlotArea::frameTick);
}

// Growing the plot area keeps what is drawn, as a picture that keeps its
// drawing does. The picture is made anew only when it is next drawn or shown,
// not at each resize: start-up moves the plot area twice after the window is
// shown, and each picture made costs its pages (0.7 MB, some 180 page faults).
void PlotArea::ensurePicture()
{
    if (m_pictureSize.isEmpty() || m_image.size() == m_pictureSize)
        return;
    if (m_painter.isActive())
        m_painter.end();
    QImage grown(m_pictureSize, QImage::Format_RGB32);
    grown.setDevicePixelRatio(m_pictureRatio);
    grown.fill(kPlotBackground);
    if (!m_image.isNull()) {
        QPainter copy(&grown);
        copy.drawImage(0, 0, m_image);
    }
    m_image = grown;
}

void PlotArea::ensurePainter()
{
    if (m_painter.isActive())
        return;
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.scale(1.0 / twips::kPerPixel, 1.0 / twips::kPerPixel);
    m_penColour = QColor();
}

void PlotArea::clear()
{
    ensurePicture();
    if (m_painter.isActive())
        m_painter.end();
    m_image.fill(kPlotBackground);
    m_dirty = QRect(QPoint(0, 0), contentsRect().size());
    // Still, Scan and Load clear inside a sweep's yield: they show at once.
    if (m_sweeping)
        m_showNextFrame = true;
    if (m_listener)
        m_listener->cleared();
}

void PlotArea::line(QPointF from, QPointF to, const QColor &colour)
{
    ensurePicture();
    if (m_image.isNull())
        return;
    ensurePainter();
    if (colour != m_penColour) {
        QPen pen(colour);
        pen.setCosmetic(true);
        pen.setWidthF(m_image.devicePixelRatio());
        m_painter.setPen(pen);
        m_penColour = colour;
    }
    m_painter.drawLine(QLineF(from, to));
    m_drawnLeft = std::min({m_drawnLeft, from.x(), to.x()});
    m_drawnRight = std::max({m_drawnRight, from.x(), to.x()});
    m_drawnTop = std::min({m_drawnTop, from.y(), to.y()});
    m_drawnBottom = std::max({m_drawnBottom, from.y(), to.y()});
    if (m_listener)
        m_listener->lineDrawn(from, to, colour);
}

QPoint PlotArea::pixelAt(QPointF plot)
{
    // Aliased lines fill the pixel whose square holds the point, not the nearest
    // pixel centre: 8200 twips (546.67) falls in pixel 546.
    return QPoint(int(std::floor(plot.x() / twips::kPerPixel)),
                  int(std::floor(plot.y() / twips::kPerPixel)));
}

const QImage &PlotArea::picture()
{
    ensurePicture();
    if (m_painter.isActive())
        m_painter.end();
    return m_image;
}

void PlotArea::beginSweep()
{
    // Its own clear shows with the sweep, not at the next frame.
    clear();
    m_sweeping = true;
    m_sweepFrames = 0;
}

void PlotArea::endSweep()
{
    m_sweeping = false;
    if (m_frameFree)
        bringToScreen();
}

void PlotArea::frameTick()
{
    m_frameFree = true;
    if (m_sweeping && ++m_sweepFrames <= kFramesHeldForSweep && !m_showNextFrame)
        return;
    bringToScreen();
}

// Painted before returning: a paint left to the event loop would come in the
// next sweep's first yield and show that sweep's first point instead.
void PlotArea::bringToScreen()
{
    if (m_drawnLeft <= m_drawnRight) {
        m_dirty |= QRect(pixelAt({m_drawnLeft, m_drawnTop}) - QPoint(1, 1),
                         pixelAt({m_drawnRight, m_drawnBottom}) + QPoint(1, 1));
        m_drawnLeft = m_drawnTop = qInf();
        m_drawnRight = m_drawnBottom = -qInf();
    }
    if (m_dirty.isEmpty())
        return;
    repaint(m_dirty.translated(contentsRect().topLeft()));
    m_dirty = QRect();
    m_frameFree = false;
    m_showNextFrame = false;
}

void PlotArea::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    ensurePicture();
    if (m_painter.isActive())
        m_painter.end();
    QPainter screen(this);
    // On the border, so the picture itself stays as drawn.
    if (hasFocus())
        drawFocusMark(screen, rect(), palette().color(QPalette::WindowText));
    screen.setClipRect(contentsRect());
    screen.drawImage(contentsRect().topLeft(), m_image);
}

// Refreshes only while shown: a closed window is left alone.
void PlotArea::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    m_screenUpdate.start();
}

void PlotArea::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    m_screenUpdate.stop();
}

void PlotArea::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_pictureRatio = devicePixelRatioF();
    const QSize size = contentsRect().size() * m_pictureRatio;
    if (m_pictureSize == size)
        return;
    m_pictureSize = size;
    m_dirty = QRect(QPoint(0, 0), contentsRect().size());
}
