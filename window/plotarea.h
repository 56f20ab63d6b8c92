#pragma once
#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QtNumeric>

// Hears every drawing call on the plot area as it is made, in plot units.
class PlotListener
{
public:
    virtual ~PlotListener() = default;
    virtual void cleared() = 0;
    virtual void lineDrawn(QPointF from, QPointF to, const QColor &colour) = 0;
};

// The plot area: a picture that keeps what is drawn on it. Lines are drawn in
// plot coordinates, twips from the top-left of the drawing surface inside the
// border, into a backing image; the screen is brought up to date from it at
// most once per frame of the display (at most 60 a second), so the sweep's
// thousands of segments a second cost a line each, not a repaint each.
//
// A sweep is shown whole: while one draws, the frames pass it by and the
// screen is brought up to date the moment its last pass is done, if no update
// has used the frame yet. A sweep still drawing after two frames (a slow
// driver, a loaded machine) is shown as it grows, frame by frame; a clear by
// anyone but the sweep shows at the next frame.
class PlotArea : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kBorderPixels = 2;

    explicit PlotArea(QWidget *parent);

    // Erases everything drawn, leaving the background.
    void clear();
    void line(QPointF from, QPointF to, const QColor &colour);

    // Not owned; null for none.
    void setListener(PlotListener *listener) { m_listener = listener; }

    // A sweep for as long as it lives: the plot area is cleared when it begins,
    // and the sweep is drawing until it goes.
    class Sweep
    {
    public:
        explicit Sweep(PlotArea &plot) : m_plot(plot) { m_plot.beginSweep(); }
        ~Sweep() { m_plot.endSweep(); }
        Sweep(const Sweep &) = delete;
        Sweep &operator=(const Sweep &) = delete;

    private:
        PlotArea &m_plot;
    };
    bool isSweeping() const { return m_sweeping; }
    // One frame of the display: brings the screen up to date unless a sweep is
    // still young. frameTimer() calls it at the display's rate.
    void frameTick();
    QTimer &frameTimer() { return m_screenUpdate; }

    // What the plot area shows, one logical pixel per pixel (device pixels on
    // a high-density screen).
    const QImage &picture();
    // The pixel of the picture on which a plot coordinate falls.
    static QPoint pixelAt(QPointF plot);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void beginSweep();
    void endSweep();
    void ensurePicture();
    void ensurePainter();
    void bringToScreen();

    QImage m_image;
    // The picture's size in device pixels as the last resize left it, none
    // before the first; the picture follows it when next drawn or shown.
    QSize m_pictureSize;
    qreal m_pictureRatio = 1;
    QPainter m_painter;
    QColor m_penColour;
    QRect m_dirty; // pixels to bring to the screen at the next update
    // Plot-coordinate bounds of the lines drawn since the last update: kept as
    // plain numbers so a line costs four comparisons, turned into pixels once
    // per update.
    double m_drawnLeft = qInf(), m_drawnTop = qInf();
    double m_drawnRight = -qInf(), m_drawnBottom = -qInf();
    QTimer m_screenUpdate;
    PlotListener *m_listener = nullptr;
    bool m_sweeping = false;
    int m_sweepFrames = 0;   // frames passed since the sweep began
    bool m_frameFree = true; // no screen update yet in this frame
    bool m_showNextFrame = false;
};
