#pragma once
// The moment a window's first frame is on screen, for the start-up figures.
// Qt paints every widget of a window, one after the other, within one event (the
// window's expose, an update request, or the handler that called repaint()) and
// hands the frame to the screen before that event returns: the frame in which a
// chosen widget is first painted is on screen when the event around that paint
// returns. Prints "painted <ns>" then, on the monotonic clock the parent process
// shares, and leaves unless told to stay.
#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>

inline long long monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class FirstFrameApplication : public QApplication
{
public:
    using QApplication::QApplication;

    // Whether a widget is the one whose first paint marks the frame.
    std::function<bool(const QObject *)> isMarked;
    bool stay = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_done)
            return QApplication::notify(receiver, event);
        ++m_depth;
        if (!m_paintDepth && event->type() == QEvent::Paint && isMarked && isMarked(receiver))
            m_paintDepth = m_depth;
        const bool result = QApplication::notify(receiver, event);
        // Back from the event around the paint (or from the paint itself, when
        // nothing was around it).
        if (!m_done && m_paintDepth && m_depth <= qMax(1, m_paintDepth - 1)) {
            m_done = true;
            std::printf("painted %lld\n", monotonicNs());
            std::fflush(stdout);
            if (!stay)
                QTimer::singleShot(0, this, [] { QCoreApplication::exit(0); });
        }
        --m_depth;
        return result;
    }

private:
    int m_depth = 0;
    int m_paintDepth = 0; // how deep the first paint of the chosen widget was
    bool m_done = false;
};
