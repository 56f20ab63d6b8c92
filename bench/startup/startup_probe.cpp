// The program's start-up exactly as runProgram does it, plus two time stamps on
// stdout that the program itself never prints: "loaded <ns>" when Form_Load has
// returned (the grid is in the plot area's picture) and "painted <ns>" when the
// plot area has first been painted on screen with it. Times are the monotonic
// clock, which the parent process shares. With --stay the probe runs on like
// the program; without, it leaves right after the first paint.
#include "window/form1.h"
#include "window/plotarea.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Paint events reach widgets through notify(), so the first paint of the plot
// area is seen here once it is done.
class ProbeApplication : public QApplication
{
public:
    using QApplication::QApplication;

    QObject *plot = nullptr;
    bool stay = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        const bool isPlotPaint = !m_painted && receiver == plot && event->type() == QEvent::Paint;
        const bool result = QApplication::notify(receiver, event);
        if (isPlotPaint) {
            m_painted = true;
            std::printf("painted %lld\n", nowNs());
            std::fflush(stdout);
            if (!stay)
                QTimer::singleShot(0, this, [] { QCoreApplication::exit(0); });
        }
        return result;
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char *argv[])
{
    ProbeApplication app(argc, argv);
    app.stay = argc > 1 && std::strcmp(argv[1], "--stay") == 0;
    Form1 form;
    app.plot = form.Picture1;
    form.Form_Load();
    std::printf("loaded %lld\n", nowNs());
    std::fflush(stdout);
    return QApplication::exec();
}
