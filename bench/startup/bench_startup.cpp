// Start-up time and resident memory of the real program, against the emulated
// device, on the offscreen platform and on an X server (Xvfb).
//
// Start-up: the time from starting the process to the first paint of the plot
// area with its grid, over several runs. The program prints nothing, so the
// runs use startup_probe, which is the program's own start-up (Form1, Form_Load,
// the event loop) with time stamps added; see startup_probe.cpp. Goal: < 500 ms.
//
// Memory: VmRSS of the real program (app/zk61ar) after 10 s of running, with the
// live reading and the sweep going on, beside its figure after 1 s.
//
//   bench_startup [runs]          offscreen, then the same under xvfb-run when
//                                 there is no display and xvfb-run is installed
//   bench_startup --here [runs]   only on the platform the environment selects
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

constexpr int kDefaultRuns = 10;
constexpr double kGoalMs = 500.0;
constexpr int kRunTimeoutMs = 30000;

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
    double loadedMs;
    double paintedMs;
};

std::optional<Startup> startOnce(const QString &platform)
{
    QProcess probe;
    probe.setProcessEnvironment(childEnvironment(platform));
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    const long long started = nowNs();
    probe.start(QStringLiteral(ZK_STARTUP_PROBE), {});
    if (!probe.waitForFinished(kRunTimeoutMs)) {
        probe.kill();
        probe.waitForFinished();
        std::fprintf(stderr, "probe did not finish\n");
        return std::nullopt;
    }
    long long loaded = 0, painted = 0;
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        if (line.startsWith("loaded "))
            loaded = line.mid(7).toLongLong();
        else if (line.startsWith("painted "))
            painted = line.mid(8).toLongLong();
    }
    if (probe.exitCode() != 0 || !loaded || !painted) {
        std::fprintf(stderr, "probe failed (exit %d): %s\n", probe.exitCode(),
                     probe.readAllStandardError().constData());
        return std::nullopt;
    }
    return Startup{(loaded - started) / 1e6, (painted - started) / 1e6};
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

bool measure(const QString &platform, int runs)
{
    std::printf("== %s\n", qPrintable(platform));
    std::fflush(stdout);
    startOnce(platform); // warms the file cache; not counted
    std::vector<double> loaded, painted;
    for (int i = 0; i < runs; ++i) {
        const std::optional<Startup> s = startOnce(platform);
        if (!s)
            return false;
        loaded.push_back(s->loadedMs);
        painted.push_back(s->paintedMs);
    }
    const auto [minPainted, maxPainted] = std::minmax_element(painted.begin(), painted.end());
    std::printf("start to Form_Load done   median %7.1f ms\n", median(loaded));
    std::printf("start to grid on screen   median %7.1f ms   min %7.1f   max %7.1f   (%d runs)\n",
                median(painted), *minPainted, *maxPainted, runs);
    std::printf("goal < %.0f ms: %s\n", kGoalMs,
                *maxPainted < kGoalMs       ? "met by every run"
                : median(painted) < kGoalMs ? "met by the median"
                                            : "NOT met");
    std::fflush(stdout);

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
        return measure(platform, runs) ? 0 : 1;
    }

    bool ok = measure(QStringLiteral("offscreen"), runs);
    if (qEnvironmentVariableIsSet("DISPLAY")) {
        ok = measure(QStringLiteral("xcb"), runs) && ok;
    } else if (const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
               !xvfbRun.isEmpty()) {
        // On a fresh X server of its own, this same benchmark measures xcb.
        QProcess xvfb;
        xvfb.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        xvfb.setProcessEnvironment(env);
        xvfb.start(xvfbRun,
                   {QStringLiteral("-a"), QStringLiteral("-s"),
                    QStringLiteral("-screen 0 1024x768x24"), QString::fromLocal8Bit(argv[0]),
                    QStringLiteral("--here"), QString::number(runs)});
        ok = xvfb.waitForFinished(-1) && xvfb.exitCode() == 0 && ok;
    } else {
        std::printf("== xcb: skipped, no display and no xvfb-run\n");
    }
    return ok ? 0 : 1;
}
