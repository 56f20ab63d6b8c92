// The sweep at display speed, on the real window and the emulated device.
//
// Figures, each measured in one run with the window shown and both timers
// running (channel 0, range 0-5V, Scan, as after start-up):
//   (a) cost of one sweep point beside one bare event-loop turn; goal: at most 2.5x
//   (b) live readings (Timer1 ticks) during continuous sweeps beside the idle
//       rate of the same timer; goal: at least 90 %
//   (c) repaints of the plot area per second during sweeps; goal: 30..60
//   (d) share of those repaints that showed a whole sweep (the trace reaching
//       the plot's right end since the sweep's clear); goal: at least 90 %
//   (e) growth of resident memory over 1000 sweeps; goal: under 1 MiB
//
// The emulated device is found through the ordinary library search, so the
// benchmark runs itself as a child with the emulator's folder on
// LD_LIBRARY_PATH: once on the offscreen platform and once on X11, on the
// display in DISPLAY when there is one, else under xvfb-run. Exit code 0 when
// every goal of every run is met.
//
//   bench_sweep                       both runs
//   bench_sweep --measure [sweeps]    one run on whatever platform Qt picks
#include "window/form1.h"
#include "window/plotarea.h"
#include "window/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPointsPerSweep = 8192;
constexpr int kTimedSweeps = 15;
constexpr int kWarmUpSweeps = 20;
constexpr int kDefaultSoakSweeps = 1000;
constexpr int kIdleMs = 2000;

constexpr double kMaxPointCostRatio = 2.5;
constexpr double kMinLiveShare = 0.90;
constexpr double kMinPaintsPerSecond = 30;
constexpr double kMaxPaintsPerSecond = 60;
constexpr double kMinWholeShare = 0.90;
constexpr long kMaxGrowthKiB = 1024;

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Counts what happens on the window: live ticks, finished sweeps, repaints of
// the plot area and how many of those showed a whole sweep.
class Counters : public QObject
{
public:
    explicit Counters(Form1 &form) : m_form(form)
    {
        // Connected after the window's own handlers, so these run once the
        // handler has returned: a Timer2 tick that ran a whole sweep finds no
        // sweep running any more, one dropped inside a sweep still finds one.
        connect(&form.Timer1, &QTimer::timeout, this, [this] { ++liveTicks; });
        connect(&form.Timer2, &QTimer::timeout, this, [this] {
            if (!m_form.isSweeping())
                ++sweeps;
        });
        form.Picture1->installEventFilter(this);
    }

    long liveTicks = 0;
    long sweeps = 0;
    long paints = 0;
    long wholePaints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_form.Picture1 && event->type() == QEvent::Paint) {
            ++paints;
            if (showsWholeSweep())
                ++wholePaints;
        }
        return false;
    }

private:
    // The sweep's last points fall in the plot's last column, which its clear
    // leaves without trace: the trace there means the sweep was drawn to its end.
    bool showsWholeSweep() const
    {
        const QImage &picture = m_form.Picture1->picture();
        const int column = PlotArea::pixelAt(QPointF(kPointsPerSweep, 0)).x();
        const QColor trace(0, 255, 0);
        for (int y = 0; y < picture.height(); ++y)
            if (picture.pixelColor(column, y) == trace)
                return true;
        return false;
    }

    Form1 &m_form;
};

// One bare event-loop turn, timed inside a sweep's first yield so that the
// window, its timers and the dropping of Timer2 ticks are as during sweeps.
double bareTurnMicros(Form1 &form)
{
    double micros = 0;
    QTimer::singleShot(0, &form, [&micros] {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kPointsPerSweep; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        micros = clock.nsecsElapsed() / 1e3 / kPointsPerSweep;
    });
    form.Timer2_Timer();
    return micros;
}

double sweepPointMicros(Form1 &form)
{
    QElapsedTimer clock;
    clock.start();
    form.Timer2_Timer();
    return clock.nsecsElapsed() / 1e3 / kPointsPerSweep;
}

double segmentMicros(Form1 &form)
{
    const QColor trace(0, 255, 0);
    form.Picture1->clear();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= kPointsPerSweep; ++i)
        form.Picture1->line(QPointF(i, 5000 - (i % 4096)), QPointF(i + 1, 5000 - ((i + 1) % 4096)),
                            trace);
    return clock.nsecsElapsed() / 1e3 / kPointsPerSweep;
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

int measure(int argc, char **argv, int soakSweeps)
{
    QApplication app(argc, argv);
    Platform platform = Platform::system();
    platform.endProgram = [](int code) {
        std::fprintf(stderr, "bench_sweep: the program ended (code %d)\n", code);
        std::exit(2);
    };
    prepareApplication();
    Form1 form(platform);
    form.Form_Load();
    // Sweeps start only when a phase asks for them.
    form.Timer2.stop();
    Counters counters(form);
    runFor(300);

    std::printf(
        "platform %s, screen refresh %.1f Hz\n", qPrintable(QGuiApplication::platformName()),
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->refreshRate() : 0.0);

    // Idle: no sweep, only the live reading and the screen refresh.
    counters.liveTicks = 0;
    QElapsedTimer idle;
    idle.start();
    runFor(kIdleMs);
    const double idleRate = counters.liveTicks / (idle.nsecsElapsed() / 1e9);

    form.Timer2.start();
    std::vector<double> bare, point, segment;
    for (int i = 0; i < kTimedSweeps; ++i) {
        bare.push_back(bareTurnMicros(form));
        point.push_back(sweepPointMicros(form));
        segment.push_back(segmentMicros(form));
    }
    const double pointRatio = median(point) / median(bare);
    std::printf("  one segment into the picture       %8.3f us\n", median(segment));
    std::printf("  bare event-loop turn               %8.3f us\n", median(bare));
    std::printf("  sweep point                        %8.3f us  (%.2fx, goal <= %.1fx: %s)\n",
                median(point), pointRatio, kMaxPointCostRatio,
                verdict(pointRatio <= kMaxPointCostRatio));
    std::printf("  whole sweep                        %8.1f ms\n",
                median(point) * kPointsPerSweep / 1e3);

    // Continuous sweeps driven by Timer2, as the program runs them.
    const auto sweepsDone = [&counters](long target) {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (counters.sweeps >= target)
                loop.quit();
        });
        check.start(50);
        loop.exec();
    };
    counters.sweeps = 0;
    sweepsDone(kWarmUpSweeps);
    const long rssBefore = residentKiB();
    counters.sweeps = 0;
    counters.liveTicks = 0;
    counters.paints = 0;
    counters.wholePaints = 0;
    QElapsedTimer soak;
    soak.start();
    sweepsDone(soakSweeps);
    const double seconds = soak.nsecsElapsed() / 1e9;
    const long rssAfter = residentKiB();

    const double liveRate = counters.liveTicks / seconds;
    const double liveShare = liveRate / idleRate;
    const double paintRate = counters.paints / seconds;
    const double wholeShare = counters.paints ? double(counters.wholePaints) / counters.paints : 0;
    const long growth = rssAfter - rssBefore;
    std::printf("  %ld sweeps in %.1f s (%.1f ms each, incl. the wait for the next tick)\n",
                counters.sweeps, seconds, seconds * 1e3 / counters.sweeps);
    std::printf("  live readings idle                 %8.1f /s\n", idleRate);
    std::printf("  live readings during sweeps        %8.1f /s  (%.1f %%, goal >= %.0f %%: %s)\n",
                liveRate, 100 * liveShare, 100 * kMinLiveShare,
                verdict(liveShare >= kMinLiveShare));
    const bool paintsMet = paintRate >= kMinPaintsPerSecond && paintRate <= kMaxPaintsPerSecond;
    std::printf("  plot-area repaints during sweeps   %8.1f /s  (goal %.0f..%.0f: %s)\n", paintRate,
                kMinPaintsPerSecond, kMaxPaintsPerSecond, verdict(paintsMet));
    std::printf(
        "  repaints showing a whole sweep     %8.1f %%  (%ld of %ld, goal >= %.0f %%: %s)\n",
        100 * wholeShare, counters.wholePaints, counters.paints, 100 * kMinWholeShare,
        verdict(wholeShare >= kMinWholeShare));
    std::printf("  resident memory %ld KiB -> %ld KiB over %ld sweeps: %+ld KiB (goal < %ld: %s)\n",
                rssBefore, rssAfter, counters.sweeps, growth, kMaxGrowthKiB,
                verdict(growth < kMaxGrowthKiB));
    std::fflush(stdout);

    const bool met = pointRatio <= kMaxPointCostRatio && liveShare >= kMinLiveShare && paintsMet &&
                     wholeShare >= kMinWholeShare && growth < kMaxGrowthKiB;
    return met ? 0 : 1;
}

// Runs this executable with `--measure` on Qt's `platform`, the emulator on the
// library search path, under `wrapper` when given.
int runChild(const char *self, const std::vector<std::string> &wrapper, const char *platform,
             const std::string &sweeps)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        setenv("LD_LIBRARY_PATH", ZK_EMULATOR_DIR, 1);
        setenv("QT_QPA_PLATFORM", platform, 1);
        std::vector<std::string> words = wrapper;
        words.insert(words.end(), {self, "--measure", sweeps});
        std::vector<char *> args;
        for (std::string &word : words)
            args.push_back(word.data());
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror(args[0]);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--measure") == 0)
        return measure(argc, argv, argc >= 3 ? std::atoi(argv[2]) : kDefaultSoakSweeps);

    const std::string sweeps = argc >= 2 ? argv[1] : std::to_string(kDefaultSoakSweeps);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        std::strncpy(self, argv[0], sizeof self - 1);
    std::printf("== offscreen\n");
    const int offscreen = runChild(self, {}, "offscreen", sweeps);
    // An X server of the caller's (DISPLAY) is used as it is; otherwise one of
    // our own, kept from resetting when a client leaves.
    const bool ownDisplay = std::getenv("DISPLAY") && *std::getenv("DISPLAY");
    std::printf("== X11 %s\n", ownDisplay ? std::getenv("DISPLAY") : "under xvfb-run");
    const std::vector<std::string> xvfbRun{"xvfb-run", "-a", "-s",
                                           "-noreset -screen 0 1280x1024x24"};
    const int x11 =
        runChild(self, ownDisplay ? std::vector<std::string>{} : xvfbRun, "xcb", sweeps);
    if (x11 == 127)
        std::printf("  (xvfb-run not found: no X11 figures)\n");
    return offscreen == 0 && x11 == 0 ? 0 : 1;
}
