// zk61ar-dat's recording viewer in a process of its own, as `zk61ar-dat view`
// builds it (recordinginput::load, then RecordViewer), offscreen:
//   paint FILE          loads FILE and leaves once the chart's first frame is
//                       on screen, printing "painted <ns>" (firstframe.h);
//   redraw FILE PNG     the chart 1920 px wide in eight lanes: milliseconds
//                       for each zoom and pan and its repaint, then the
//                       window's picture of the whole run saved as PNG;
//   follow FILE SECONDS follows FILE while another process appends to it:
//                       for each repaint "shown <scan> <ns>", then the CPU
//                       seconds used while following.
#include "../startup/firstframe.h"
#include "dattool/recordinginput.h"
#include "dattool/recordviewer.h"
#include "print/systemprinter.h"

#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Repaints after each step, timed with the step.
class ShownAfterPaint : public QObject
{
public:
    ShownAfterPaint(const logformat::Recording &recording) : m_recording(recording) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_recording.rows() > 0) {
            const bool handled = watched->event(event);
            std::printf("shown %lld %lld\n",
                        static_cast<long long>(m_recording.scan(m_recording.rows() - 1)),
                        monotonicNs());
            return handled;
        }
        return false;
    }

private:
    const logformat::Recording &m_recording;
};
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc < 3)
        return 2;
    const char *mode = argv[1];
    const QString file = QString::fromLocal8Bit(argv[2]);
    const bool follow = std::strcmp(mode, "follow") == 0;
    std::unique_ptr<logformat::RecordingReader> reader = recordinginput::load(file, follow);
    if (!reader)
        return 1;
    const logformat::Recording &recording = reader->recording();
    FirstFrameApplication app(argc, argv);
    app.isMarked = [](const QObject *o) { return o->objectName() == QLatin1String("recordView"); };
    app.stay = std::strcmp(mode, "paint") != 0;
    RecordViewer viewer(file, std::move(reader), std::make_shared<SystemPrinter>(), follow);
    RecordView *view = viewer.view();
    if (std::strcmp(mode, "redraw") == 0 && argc > 3) {
        // The plot 1920 px wide, eight lanes of 110 px.
        viewer.resize(1920 + 160 + 30, 8 * 120 + 96 + 300);
        viewer.show();
        QCoreApplication::processEvents();
        viewer.resize(viewer.width() + 1920 - view->chart().plotWidth, viewer.height());
        QCoreApplication::processEvents();
        std::printf("plot %d px wide, %zu lanes of %.0f px\n", view->chart().plotWidth,
                    view->sheet().lanes.size(), view->sheet().lanes.at(0).height());
        std::vector<double> ms;
        const auto timed = [&](const std::function<void()> &step) {
            const long long start = monotonicNs();
            step();
            view->repaint();
            ms.push_back(double(monotonicNs() - start) / 1e6);
        };
        for (int round = 0; round < 3; ++round) {
            timed([&] { view->showWhole(); });
            for (int z = 0; z < 20; ++z) { // 2^20: an hour down to a few ms
                timed([&] { view->zoom(1); });
                timed([&] { view->pan(3); });
                timed([&] { view->pan(-2); });
            }
            for (int z = 0; z < 20; ++z)
                timed([&] { view->zoom(-1); });
        }
        std::sort(ms.begin(), ms.end());
        std::printf("redraws %zu: median %.2f ms, 90 %% %.2f ms, slowest %.2f ms\n", ms.size(),
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back());
        view->showWhole();
        QCoreApplication::processEvents();
        viewer.grab().save(QString::fromLocal8Bit(argv[3]), "PNG");
        return 0;
    }
    if (follow && argc > 3) {
        ShownAfterPaint shown(recording);
        view->installEventFilter(&shown);
        viewer.resize(1920 + 160 + 30, 8 * 120 + 96 + 300);
        viewer.show();
        const double cpuBefore = cpuSeconds();
        const long long start = monotonicNs();
        QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, [] { QCoreApplication::exit(0); });
        app.exec();
        std::printf("cpu %.3f of %.3f s\n", cpuSeconds() - cpuBefore,
                    double(monotonicNs() - start) / 1e9);
        return 0;
    }
    viewer.show();
    return app.exec();
}
