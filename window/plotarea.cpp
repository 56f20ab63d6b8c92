#include "plotarea.h"

#include "twips.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>

namespace {
constexpr int kFallbackRefreshHz = 60;
}

PlotArea::PlotArea(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorderPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    const QScreen *screen = QGuiApplication::primaryScreen();
    const double hz = screen && screen->refreshRate() > 1 ? screen->refreshRate() : kFallbackRefreshHz;
    m_screenUpdate.setInterval(qMax(1, qRound(1000.0 / hz)));
    connect(&m_screenUpdate, &QTimer::timeout, this, &PlotArea::flushToScreen);
    m_screenUpdate.start();
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
    if (m_painter.isActive())
        m_painter.end();
    m_image.fill(m_background);
    m_dirty = QRect(QPoint(0, 0), contentsRect().size());
}

void PlotArea::line(QPointF from, QPointF to, const QColor &colour)
{
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
    markDirty(QRectF(from, to).normalized());
}

void PlotArea::markDirty(const QRectF &plotRect)
{
    const QRect pixels(pixelAt(plotRect.topLeft()) - QPoint(1, 1),
                       pixelAt(plotRect.bottomRight()) + QPoint(1, 1));
    m_dirty |= pixels;
}

QPoint PlotArea::pixelAt(QPointF plot)
{
    return QPoint(qRound(plot.x() / twips::kPerPixel), qRound(plot.y() / twips::kPerPixel));
}

const QImage &PlotArea::picture()
{
    if (m_painter.isActive())
        m_painter.end();
    return m_image;
}

void PlotArea::flushToScreen()
{
    if (m_dirty.isEmpty())
        return;
    update(m_dirty.translated(contentsRect().topLeft()));
    m_dirty = QRect();
}

void PlotArea::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_painter.isActive())
        m_painter.end();
    QPainter screen(this);
    screen.setClipRect(contentsRect());
    screen.drawImage(contentsRect().topLeft(), m_image);
}

void PlotArea::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    // Growing the plot area keeps what is drawn, as a picture that keeps its
    // drawing does.
    const qreal ratio = devicePixelRatioF();
    const QSize size = contentsRect().size() * ratio;
    if (m_image.size() == size)
        return;
    if (m_painter.isActive())
        m_painter.end();
    QImage grown(size, QImage::Format_RGB32);
    grown.setDevicePixelRatio(ratio);
    grown.fill(m_background);
    if (!m_image.isNull()) {
        QPainter copy(&grown);
        copy.drawImage(0, 0, m_image);
    }
    m_image = grown;
    m_dirty = QRect(QPoint(0, 0), contentsRect().size());
}
