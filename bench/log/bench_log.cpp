// zk61ar-log on the emulated device, in one run:
//  (a) with -r max, scans per second for 1 and 8 channels, beside a bare loop
//      of Adc::adc calls on the same library (goal: at least 0.9x);
//  (b) 1000 scans/s of 8 channels for a minute: how late the scans start
//      (median, 99th percentile, maximum; goal: 99th percentile at most
//      100 us, no scan skipped), the share of one core it uses (goal: at most
//      5 %), and its resident memory at the start and the end (goal: growth
//      under 1 MiB).
// The machine's load average is printed beside the figures: on a busy machine
// lateness and skipped scans say more about the machine than the logger.
//
//   bench_log [seconds]              both parts; (b) lasts `seconds` (default 60)
//   bench_log --bare channels scans  one bare loop against whatever the search finds
#include "device/adc.h"
#include "device/qb7driver.h"

#include <algorithm>
#include <chrono>
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

double percentile(std::vector<double> sorted, double share)
{
    return sorted.empty() ? 0 : sorted[std::size_t(share * double(sorted.size() - 1))];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--bare") == 0)
        return bare(std::atoi(argv[2]), std::atol(argv[3]));
    const int seconds = argc == 2 ? std::atoi(argv[1]) : 60;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds]\n", argv[0]);
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

    if (ok) {
        std::printf("(b) -r 1000, 8 channels, %d s; load average %s\n", seconds,
                    loadAverage().c_str());
        const Child logRun = run({ZK_LOGGER, "-q", "--force", "-r", "1000", "-t",
                                  std::to_string(seconds) + "s", "-c", kAllChannels, "-o", file},
                                 ZK_EMULATOR_DIR);
        Rows rows = readRows(file, 1000);
        ok = logRun.ok && rows.count > 0;
        if (ok) {
            std::sort(rows.lateness.begin(), rows.lateness.end());
            const long long due = 1000LL * seconds;
            std::printf("  rows %lld of %lld scans, skipped %lld (goal: none on an idle machine)\n",
                        rows.count, due, due - rows.count);
            std::printf(
                "  lateness: median %.0f us, 99th percentile %.0f us (goal: at most 100 us), "
                "maximum %.0f us\n",
                percentile(rows.lateness, 0.5) * 1e6, percentile(rows.lateness, 0.99) * 1e6,
                rows.lateness.back() * 1e6);
            std::printf("  one core: %.2f %% (%.2f s of CPU in %.1f s; goal: at most 5 %%)\n",
                        100 * logRun.cpuSeconds / logRun.wallSeconds, logRun.cpuSeconds,
                        logRun.wallSeconds);
            std::printf("  resident memory: %ld KiB after 1 s, %ld KiB at the end: %+ld KiB "
                        "(goal: under 1024)\n",
                        logRun.firstKiB, logRun.lastKiB, logRun.lastKiB - logRun.firstKiB);
            std::printf("  load average at the end %s\n", loadAverage().c_str());
        } else {
            std::fprintf(stderr, "bench_log: the 1000 scans/s run failed\n");
        }
    }
    std::remove(file.c_str());
    rmdir(folder);
    return ok ? 0 : 1;
}
