#pragma once
#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QtNumeric>

// The plot area: a picture that keeps what is drawn on it. Lines are drawn in
// plot coordinates, twips from the top-left of the drawing surface inside the
// border, into a backing image; the screen is brought up to date from it at
// most at the display's rate, so the sweep's thousands of segments a second
// cost a line each, not a repaint each.
class PlotArea : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kBorderPixels = 2;

    explicit PlotArea(QWidget *parent);

    // Erases everything drawn, leaving the background.
    void clear();
    void line(QPointF from, QPointF to, const QColor &colour);

    // What the plot area shows, one logical pixel per pixel (device pixels on
    // a high-density screen).
    const QImage &picture();
    // The pixel of the picture on which a plot coordinate falls.
    static QPoint pixelAt(QPointF plot);

    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ensurePainter();
    void flushToScreen();

    QColor m_background{0, 0, 0};
    QImage m_image;
    QPainter m_painter;
    QColor m_penColour;
    QRect m_dirty; // pixels to bring to the screen at the next update
    // Plot-coordinate bounds of the lines drawn since the last update: kept as
    // plain numbers so a line costs four comparisons, turned into pixels once
    // per update.
    double m_drawnLeft = qInf(), m_drawnTop = qInf();
    double m_drawnRight = -qInf(), m_drawnBottom = -qInf();
    QTimer m_screenUpdate;
};
