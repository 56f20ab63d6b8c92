// zk61ar-log on the emulated device, in one run:
//  (a) with -r max, scans per second for 1 and 8 channels, beside a bare loop
//      of Adc::adc calls on the same library (goal: at least 0.9x);
//  (b) 1000 scans/s of 8 channels, the logger beside a bare loop that sleeps
//      to each absolute due time and converts the same channels under the same
//      settings (real-time priority where permitted, locked memory, 1 ns timer
//      slack) and writes nothing, in alternating runs: each run's skipped
//      scans and how late the scans start (median, 99th percentile, maximum),
//      then the sums (goal: the logger skips at most 1.2x the bare loop's
//      count plus 0.05 % of the scans asked); of each logger run the share of
//      one core it uses (goal: at most 5 %) and its resident memory at the
//      start and the end (goal: growth under 1 MiB).
// The machine's load average is printed beside the figures: on a busy machine
// lateness and skipped scans say more about the machine than the logger.
//
//   bench_log [seconds [pairs]]      both parts; (b) as `pairs` alternations
//                                    (default 2) of runs of `seconds` each
//                                    (default 180)
//   bench_log --bare channels scans  one bare loop against whatever the search finds
//   bench_log --bare-schedule channels rate seconds
//                                    one bare scheduled loop: skipped, lateness
#include "device/adc.h"
#include "device/qb7driver.h"
#include "system/process.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kAlternations = 3;
const char *const kAllChannels = "0,1,2,3,4,5,6,7";

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int bare(int channels, long scans)
{
    Qb7Driver driver;
    Adc adc(driver);
    std::int16_t adValue = 0;
    long long checksum = 0;
    adc.adc(0, 0, adValue); // binds the library
    const auto start = std::chrono::steady_clock::now();
    for (long k = 0; k < scans; ++k)
        for (int ch = 0; ch < channels; ++ch)
            checksum += adc.adc(ch, 0, adValue);
    std::printf("%.1f %lld\n", double(scans) / secondsSince(start), checksum);
    return 0;
}

double percentile(std::vector<double> sorted, double share)
{
    return sorted.empty() ? 0 : sorted[std::size_t(share * double(sorted.size() - 1))];
}

// The logger's schedule and nothing else: sleep to scan k's due time, skip
// what is more than a period late as the logger does, convert the channels.
// Prints skipped scans, then the median, 99th percentile and maximum
// lateness in seconds.
int bareSchedule(int channels, double rate, double seconds)
{
    os::prepareRecording();
    const os::Timeliness granted = os::keepOnTime(true);
    Qb7Driver driver;
    Adc adc(driver);
    const double periodNs = 1e9 / rate;
    const auto limit = std::int64_t(std::ceil(seconds * rate - 1e-6));
    std::vector<double> lateness;
    lateness.reserve(std::size_t(limit));
    long long skipped = 0, checksum = 0;
    const std::int64_t start = os::monotonicNow();
    for (std::int64_t k = 0; k < limit;) {
        const auto due = std::llround(double(k) * periodNs);
        os::sleepUntil(start + due);
        const std::int64_t t = os::monotonicNow() - start;
        if (double(t - due) > periodNs) {
            const std::int64_t now = std::min(limit, std::int64_t(double(t) / periodNs));
            skipped += now - k;
            k = now;
            continue;
        }
        for (int ch = 0; ch < channels; ++ch)
            checksum += adc.checkedAdc(ch, 0).code.value_or(0);
        lateness.push_back(double(t - due) * 1e-9);
        ++k;
    }
    std::sort(lateness.begin(), lateness.end());
    std::printf("%lld %.9f %.9f %.9f %d %d %lld\n", skipped, percentile(lateness, 0.5),
                percentile(lateness, 0.99), lateness.empty() ? 0 : lateness.back(),
                granted.realTime, granted.memoryLocked, checksum);
    return 0;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

long residentKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

struct Child
{
    bool ok = false;
    std::string out;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    long firstKiB = -1; // resident memory a second after the start
    long lastKiB = -1;  // and at the latest look before the end
};

// Runs `argv` with the emulated device on the library search; its standard
// output is read back, its resident memory looked at every 100 ms.
Child run(const std::vector<std::string> &argv, const char *libraryDir)
{
    Child result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        setenv("LD_LIBRARY_PATH", libraryDir, 1);
        unsetenv("QB7EMU_DC");
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::thread reader([&] {
        char buffer[4096];
        for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            result.out.append(buffer, std::size_t(n));
    });
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid || done < 0)
            break;
        const long kib = residentKiB(pid);
        if (kib > 0) {
            if (result.firstKiB < 0 && secondsSince(start) >= 1)
                result.firstKiB = kib;
            result.lastKiB = kib;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    result.wallSeconds = secondsSince(start);
    reader.join();
    close(pipeEnds[0]);
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

struct Rows
{
    long long count = 0;
    long long lastScan = -1;
    double lastTime = 0;
    std::vector<double> lateness; // seconds, at `rate` scans/s
};

Rows readRows(const std::string &path, double rate)
{
    Rows rows;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] < '0' || line[0] > '9')
            continue;
        const long long scan = std::atoll(line.c_str());
        const double time = std::atof(line.c_str() + line.find(',') + 1);
        ++rows.count;
        rows.lastScan = scan;
        rows.lastTime = time;
        if (rate > 0)
            rows.lateness.push_back(time - double(scan) / rate);
    }
    return rows;
}

// Scans per second of the logger at -r max and of the bare loop, best of a
// few alternations.
bool throughput(const std::string &self, const std::string &file, const char *channels, int count,
                long scans)
{
    double logger = 0, loop = 0;
    for (int i = 0; i < kAlternations; ++i) {
        const Child bareRun =
            run({self, "--bare", std::to_string(count), std::to_string(scans)}, ZK_EMULATOR_DIR);
        const Child logRun = run({ZK_LOGGER, "-q", "--force", "-r", "max", "-n",
                                  std::to_string(scans), "-c", channels, "-o", file},
                                 ZK_EMULATOR_DIR);
        const Rows rows = readRows(file, 0);
        if (!bareRun.ok || !logRun.ok || rows.count != scans) {
            std::fprintf(stderr, "bench_log: a -r max run failed\n");
            return false;
        }
        loop = std::max(loop, std::atof(bareRun.out.c_str()));
        logger = std::max(logger, double(rows.count - 1) / rows.lastTime);
    }
    std::printf("  %d channel%s: zk61ar-log %10.0f scans/s, bare adc loop %10.0f scans/s: %.2fx "
                "(goal: at least 0.90x)\n",
                count, count == 1 ? " " : "s", logger, loop, logger / loop);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--bare") == 0)
        return bare(std::atoi(argv[2]), std::atol(argv[3]));
    if (argc == 5 && std::strcmp(argv[1], "--bare-schedule") == 0)
        return bareSchedule(std::atoi(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
    const int seconds = argc >= 2 ? std::atoi(argv[1]) : 180;
    const int pairs = argc >= 3 ? std::atoi(argv[2]) : 2;
    if (seconds <= 0 || pairs <= 0 || argc > 3) {
        std::fprintf(stderr, "usage: %s [seconds [pairs]]\n", argv[0]);
        return 2;
    }
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    char folder[] = "/tmp/bench_log-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string file = std::string(folder) + "/run.csv";

    std::printf("zk61ar-log on the emulated device, %s build; load average %s\n", ZK_BUILD_TYPE,
                loadAverage().c_str());
    std::printf("(a) -r max, best of %d, the file on %s\n", kAlternations, folder);
    bool ok = throughput(self, file, "0", 1, 1'000'000) &&
              throughput(self, file, kAllChannels, 8, 300'000);

    long long bareSkipped = 0, loggerSkipped = 0, asked = 0;
    for (int pair = 0; ok && pair < pairs; ++pair) {
        std::printf("(b) pair %d of %d: 1000 scans/s, 8 channels, %d s each; load average %s\n",
                    pair + 1, pairs, seconds, loadAverage().c_str());
        const long long due = 1000LL * seconds;
        asked += due;

        const Child bareRun =
            run({self, "--bare-schedule", "8", "1000", std::to_string(seconds)}, ZK_EMULATOR_DIR);
        long long skipped = -1;
        double median = 0, p99 = 0, most = 0;
        int realTime = 0, locked = 0;
        ok = bareRun.ok && std::sscanf(bareRun.out.c_str(), "%lld %lf %lf %lf %d %d", &skipped,
                                       &median, &p99, &most, &realTime, &locked) == 6;
        if (!ok) {
            std::fprintf(stderr, "bench_log: the bare scheduled loop failed\n");
            break;
        }
        bareSkipped += skipped;
        std::printf(
            "  bare loop:  skipped %6lld; lateness median %4.0f us, 99th percentile %5.0f us, "
            "maximum %6.0f us (%s, memory %s)\n",
            skipped, median * 1e6, p99 * 1e6, most * 1e6,
            realTime ? "real-time" : "normal priority", locked ? "locked" : "not locked");

        const Child logRun = run({ZK_LOGGER, "-q", "--force", "-r", "1000", "-t",
                                  std::to_string(seconds) + "s", "-c", kAllChannels, "-o", file},
                                 ZK_EMULATOR_DIR);
        Rows rows = readRows(file, 1000);
        ok = logRun.ok && rows.count > 0;
        if (!ok) {
            std::fprintf(stderr, "bench_log: the 1000 scans/s run failed\n");
            break;
        }
        std::sort(rows.lateness.begin(), rows.lateness.end());
        loggerSkipped += due - rows.count;
        std::printf(
            "  zk61ar-log: skipped %6lld; lateness median %4.0f us, 99th percentile %5.0f us, "
            "maximum %6.0f us\n",
            due - rows.count, percentile(rows.lateness, 0.5) * 1e6,
            percentile(rows.lateness, 0.99) * 1e6, rows.lateness.back() * 1e6);
        std::printf("  zk61ar-log: one core %.2f %% (%.2f s of CPU in %.1f s; goal: at most 5 %%); "
                    "resident memory %ld KiB after 1 s, %ld KiB at the end: %+ld KiB (goal: under "
                    "1024)\n",
                    100 * logRun.cpuSeconds / logRun.wallSeconds, logRun.cpuSeconds,
                    logRun.wallSeconds, logRun.firstKiB, logRun.lastKiB,
                    logRun.lastKiB - logRun.firstKiB);
    }
    if (ok) {
        const double allowed = 1.2 * double(bareSkipped) + 0.0005 * double(asked);
        std::printf("(b) sum over %d pairs, %lld scans asked of each: bare loop skipped %lld, "
                    "zk61ar-log %lld; goal: at most 1.2 x %lld + 0.05 %% of %lld = %.0f: %s\n",
                    pairs, asked, bareSkipped, loggerSkipped, bareSkipped, asked, allowed,
                    double(loggerSkipped) <= allowed ? "met" : "NOT met");
        std::printf("  load average at the end %s\n", loadAverage().c_str());
    }
    std::remove(file.c_str());
    rmdir(folder);
    return ok ? 0 : 1;
}
