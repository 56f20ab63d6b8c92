// Start-up time and resident memory of the real program, against the emulated
// device, on the offscreen platform and on an X server: a bare Xvfb with no
// window manager, then the same with openbox managing it, as on a desktop,
// when openbox is installed.
//
// Start-up: the time from starting the process to its window's first frame on
// screen, the plot area with its grid and every caption in it, over several
// runs. The program prints nothing, so the runs use startup_probe, which is the
// program's own start-up (runProgram) with time stamps added; see
// startup_probe.cpp. Beside each run of the probe, in the same run of the
// benchmark, runs bare_window: a bare Qt Widgets window of the same size with
// the same Chinese font and a Chinese label, timed to its first frame the same
// way (firstframe.h). The two alternate, each first in every other pair, so
// that whatever else the machine does falls on both alike. Goals: < 500 ms, and
// at most 1.2x the bare window. The load average before and after is printed
// with the figures: on a busy machine the ratio says more than the times.
//
// Memory: VmRSS of the real program (app/zk61ar) after 10 s of running, with the
// live reading and the sweep going on, beside its figure after 1 s.
//
//   bench_startup [runs]          offscreen, then the same under xvfb-run when
//                                 there is no display and xvfb-run is installed
//   bench_startup --here [runs]   only on the platform the environment selects;
//                                 on an X server that no window manager
//                                 manages, without one and then with openbox
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kDefaultRuns = 15;
constexpr double kGoalMs = 500.0;
constexpr double kGoalRatio = 1.2;
constexpr int kRunTimeoutMs = 30000;
constexpr int kWindowManagerWaitMs = 10000;

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QProcessEnvironment childEnvironment(const QString &platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(ZK_EMULATOR_DIR));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return env;
}

struct Startup
{
    double loadedMs; // 0 for the bare window, which has no Form_Load
    double paintedMs;
};

// One start of `program` (the probe or the bare window) to its first paint.
std::optional<Startup> startOnce(const char *program, const QString &platform)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment(platform));
    child.setProcessChannelMode(QProcess::SeparateChannels);
    const long long started = nowNs();
    child.start(QString::fromLocal8Bit(program), {});
    if (!child.waitForFinished(kRunTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "%s did not finish\n", program);
        return std::nullopt;
    }
    long long loaded = 0, painted = 0;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("loaded "))
            loaded = line.mid(7).toLongLong();
        else if (line.startsWith("painted "))
            painted = line.mid(8).toLongLong();
    }
    if (child.exitCode() != 0 || !painted) {
        std::fprintf(stderr, "%s failed (exit %d): %s\n", program, child.exitCode(),
                     child.readAllStandardError().constData());
        return std::nullopt;
    }
    return Startup{loaded ? (loaded - started) / 1e6 : 0, (painted - started) / 1e6};
}

long rssKb(qint64 pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string loadAverage()
{
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    loadavg >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

bool measureStartup(const QString &platform, const char *setting, int runs)
{
    std::printf("== %s%s\n", qPrintable(platform), setting);
    std::printf("load average before       %s\n", loadAverage().c_str());
    std::fflush(stdout);
    // Warm the file cache; not counted.
    startOnce(ZK_STARTUP_PROBE, platform);
    startOnce(ZK_BARE_WINDOW, platform);
    std::vector<double> loaded, painted, bare;
    for (int i = 0; i < runs; ++i) {
        std::optional<Startup> s, b;
        if (i % 2 == 0) {
            s = startOnce(ZK_STARTUP_PROBE, platform);
            b = startOnce(ZK_BARE_WINDOW, platform);
        } else {
            b = startOnce(ZK_BARE_WINDOW, platform);
            s = startOnce(ZK_STARTUP_PROBE, platform);
        }
        if (!s || !b)
            return false;
        loaded.push_back(s->loadedMs);
        painted.push_back(s->paintedMs);
        bare.push_back(b->paintedMs);
    }
    const auto [minPainted, maxPainted] = std::minmax_element(painted.begin(), painted.end());
    const auto [minBare, maxBare] = std::minmax_element(bare.begin(), bare.end());
    const double ratio = median(painted) / median(bare);
    // Each pair ran within a second, under the same load: the middle of their
    // ratios moves less with the machine's load than the ratio of the medians.
    std::vector<double> pairRatios;
    for (std::size_t i = 0; i < painted.size(); ++i)
        pairRatios.push_back(painted[i] / bare[i]);
    std::printf("start to event loop       median %7.1f ms\n", median(loaded));
    std::printf("start to window on screen median %7.1f ms   min %7.1f   max %7.1f   (%d runs)\n",
                median(painted), *minPainted, *maxPainted, runs);
    std::printf("bare window on screen     median %7.1f ms   min %7.1f   max %7.1f   (%d runs)\n",
                median(bare), *minBare, *maxBare, runs);
    std::printf("load average after        %s\n", loadAverage().c_str());
    std::printf("goal < %.0f ms: %s\n", kGoalMs,
                *maxPainted < kGoalMs       ? "met by every run"
                : median(painted) < kGoalMs ? "met by the median"
                                            : "NOT met");
    std::printf("program / bare window     %7.2fx   goal <= %.1fx: %s\n", ratio, kGoalRatio,
                ratio <= kGoalRatio ? "met" : "NOT met");
    std::printf("  median of the pairs' ratios %.2fx\n", median(pairRatios));
    std::fflush(stdout);
    return true;
}

bool measureMemory(const QString &platform)
{
    QProcess program;
    program.setProcessEnvironment(childEnvironment(platform));
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(QStringLiteral(ZK_PROGRAM), {});
    if (!program.waitForStarted()) {
        std::fprintf(stderr, "zk61ar did not start\n");
        return false;
    }
    const qint64 pid = program.processId();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long rss1 = rssKb(pid, "VmRSS");
    std::this_thread::sleep_for(std::chrono::seconds(9));
    const long rss10 = rssKb(pid, "VmRSS");
    const long hwm = rssKb(pid, "VmHWM");
    const bool stillRunning = program.state() == QProcess::Running && rss10 > 0;
    program.kill();
    program.waitForFinished();
    if (!stillRunning) {
        std::fprintf(stderr, "zk61ar ended before 10 s\n");
        return false;
    }
    std::printf("zk61ar VmRSS after  1 s   %7.1f MiB\n", rss1 / 1024.0);
    std::printf("zk61ar VmRSS after 10 s   %7.1f MiB   (peak VmHWM %.1f MiB)\n", rss10 / 1024.0,
                hwm / 1024.0);
    std::fflush(stdout);
    return true;
}

// A window manager names its own check window on the root window, and that
// window names itself; a manager that was killed leaves the root's property
// behind, naming a window that is gone.
bool screenIsManaged()
{
    const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    if (xprop.isEmpty())
        return false;
    const auto checkWindow = [&xprop](const QStringList &where) {
        QProcess query;
        query.start(xprop, where + QStringList{QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (!query.waitForFinished() || query.exitCode() != 0)
            return QByteArray();
        const QByteArray out = query.readAllStandardOutput();
        const int at = out.indexOf("window id # ");
        return at < 0 ? QByteArray() : out.mid(at + 12).trimmed();
    };
    const QByteArray id = checkWindow({QStringLiteral("-root")});
    return !id.isEmpty() && checkWindow({QStringLiteral("-id"), QString::fromLatin1(id)}) == id;
}

// openbox managing the X server, as on a desktop: a managed window is framed
// and mapped by the manager, which a start-up pays for. Ends with the
// benchmark. False when openbox or xprop is not installed.
bool manageScreen(QProcess &manager)
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) {
        std::printf("(no window manager: openbox or xprop is not installed)\n");
        return false;
    }
    manager.setStandardOutputFile(QProcess::nullDevice());
    manager.setStandardErrorFile(QProcess::nullDevice());
    manager.start(openbox, {QStringLiteral("--sm-disable")});
    const long long deadline = nowNs() + kWindowManagerWaitMs * 1000000LL;
    while (!screenIsManaged() && nowNs() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!screenIsManaged()) {
        std::fprintf(stderr, "openbox did not take the screen within %d ms\n",
                     kWindowManagerWaitMs);
        return false;
    }
    return true;
}

// On an X server: as it is when a window manager runs there already;
// otherwise bare, then managed by openbox.
bool measureOnX(int runs)
{
    const QString platform = QStringLiteral("xcb");
    if (screenIsManaged())
        return measureStartup(platform, ", its window manager", runs) && measureMemory(platform);
    bool ok = measureStartup(platform, ", no window manager", runs);
    QProcess manager;
    if (manageScreen(manager))
        ok = measureStartup(platform, ", openbox", runs) && ok;
    ok = measureMemory(platform) && ok;
    // Asked to leave, so that it takes its marks off the screen.
    manager.terminate();
    if (!manager.waitForFinished(kWindowManagerWaitMs)) {
        manager.kill();
        manager.waitForFinished();
    }
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    bool here = false;
    int runs = kDefaultRuns;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--here") == 0)
            here = true;
        else
            runs = std::max(1, std::atoi(argv[i]));
    }

    if (here) {
        const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"));
        if (platform == QLatin1String("xcb"))
            return measureOnX(runs) ? 0 : 1;
        return measureStartup(platform, "", runs) && measureMemory(platform) ? 0 : 1;
    }

    const QString offscreen = QStringLiteral("offscreen");
    bool ok = measureStartup(offscreen, "", runs) && measureMemory(offscreen);
    if (qEnvironmentVariableIsSet("DISPLAY")) {
        ok = measureOnX(runs) && ok;
    } else if (const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
               !xvfbRun.isEmpty()) {
        // On a fresh X server of its own, this same benchmark measures xcb.
        QProcess xvfb;
        xvfb.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        xvfb.setProcessEnvironment(env);
        xvfb.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                             QStringLiteral("-noreset -screen 0 1024x768x24"),
                             QString::fromLocal8Bit(argv[0]), QStringLiteral("--here"),
                             QString::number(runs)});
        ok = xvfb.waitForFinished(-1) && xvfb.exitCode() == 0 && ok;
    } else {
        std::printf("== xcb: skipped, no display and no xvfb-run\n");
    }
    return ok ? 0 : 1;
}
