// An hour of eight channels at 1000 scans/s, as zk61ar-log would record it
// on the emulated device (its waveforms at each scan's time, a scan late by
// 30..130 us, now and then one skipped), written through the logger's own
// writer into a private folder, then read back:
//   - by logformat's reader in this process: seconds and MB/s, CPU seconds;
//   - by zk61ar-dat plot FILE -o FILE.png: seconds to the PNG and its peak
//     resident memory against the budget of 24 bytes a scan + 15 % + 80 MB;
//   - by pandas.read_csv(FILE, comment="#"), where python3 has pandas;
// and the lines of eight lanes 1920 pixels wide (plot/lane.h) over the whole
// run, ten seconds of it and one second (fewer scans than pixels), best of 5;
// then the viewer (recordview_probe): to its first paint, its redraws at
// 1920 px and eight lanes for zoom and pan, a picture of it (to
// $BENCH_RECORDING_PICTURE if set), and following a recording this process
// writes at 1000 scans/s: row written to on screen, and its CPU.
// Then the same file read holding at most `pagesMB` of raw rows (16 unless
// given, well below the file's), the rest read back where it is looked at:
// in a child process of its own, its peak resident memory, the reading's
// MB/s, eight lanes' lines over the whole run, and zooms in to one second at
// random places, each reading back a page not held.
// Each reading `rounds` times (3 unless given); the machine's load is printed
// before and after. The folder and the file are removed at the end.
//
//   bench_recording [rounds] [minutes] [pagesMB]
#include "channelsignals.h"
#include "coding.h"
#include "logformat/heading.h"
#include "logformat/reader.h"
#include "logformat/recordingerror.h"
#include "logformat/rowtext.h"
#include "plot/lane.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr int kRate = 1000;
constexpr int kChannels = 8;
constexpr int kRanges[kChannels] = {0, 1, 2, 1, 0, 0, 3, 3};
constexpr double kMB = 1e6;
constexpr double kBudgetBytesPerScan = 24 * 1.15;
constexpr double kBudgetQtMB = 80;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string load()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five + " (1 and 5 min, " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) +
           " cores)";
}

double cpuSeconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Eight channels at 1000 scans/s, as zk61ar-log heads its files.
logformat::Heading benchHeading()
{
    logformat::Heading heading;
    heading.version = "1.0";
    heading.start = "2026-12-09T03:10:47.464698Z";
    heading.rateText = std::to_string(kRate);
    for (int c = 0; c < kChannels; ++c)
        heading.channels.push_back({c, kRanges[c]});
    return heading;
}

// Returns the rows written.
long long writeRecording(const std::string &path, long long scans)
{
    const logformat::Heading heading = benchHeading();
    const logformat::RowText rowText(heading.channels);
    const emu::ChannelSignals waveforms{emu::DcLevels{}};
    std::mt19937_64 random(61);
    std::ofstream out(path, std::ios::binary);
    const std::string text = logformat::headingText(heading);
    out.write(text.data(), std::streamsize(text.size()));
    std::vector<char> buffer(1 << 20);
    std::size_t used = 0;
    long long rows = 0;
    for (long long k = 0; k < scans; ++k) {
        if (random() % 500 == 0)
            continue; // skipped: later than a period
        const long long ns =
            k * (1'000'000'000 / kRate) + 30'000 + static_cast<long long>(random() % 100'000);
        std::int16_t codes[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            const int bits = emu::code12(waveforms.volts(c, double(ns) * 1e-9), kRanges[c]);
            codes[c] = std::int16_t(kRanges[c] % 2 == 1 && bits >= 2048 ? bits - 4096 : bits);
        }
        if (used + logformat::RowText::kMaxLength > buffer.size()) {
            out.write(buffer.data(), std::streamsize(used));
            used = 0;
        }
        used += rowText.write(buffer.data() + used, k, ns, codes);
        ++rows;
    }
    out.write(buffer.data(), std::streamsize(used));
    return out ? rows : -1;
}

struct Child
{
    bool ok = false;
    double seconds = 0, cpu = 0;
    long peakKiB = 0;
};

// Started, not waited for; its standard output into `out` when given.
pid_t startChild(std::vector<std::string> argv, bool quiet, const std::string &out = {})
{
    std::fflush(stdout); // not printed again by the child
    const pid_t pid = fork();
    if (pid == 0) {
        if (quiet &&
            (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)))
            _exit(127);
        if (!out.empty() && !std::freopen(out.c_str(), "w", stdout))
            _exit(127);
        std::vector<char *> args;
        for (std::string &a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

Child waitFor(pid_t pid, Clock::time_point start)
{
    Child result;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.seconds = secondsSince(start);
    result.cpu = cpuSeconds(usage);
    result.peakKiB = usage.ru_maxrss;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

Child runChild(std::vector<std::string> argv, bool quiet, const std::string &out = {})
{
    const auto start = Clock::now();
    return waitFor(startChild(std::move(argv), quiet, out), start);
}

long long nsOf(Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

std::vector<std::string> linesOf(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Follows a recording of eight channels that this process writes at 1000
// scans/s, 10 rows every 10 ms as they fall due, for `seconds`: the newest
// scan on screen after each repaint against the moment its row was written
// (ms: median, 90 %, slowest), and the viewer's CPU share of one core.
void benchFollow(const fs::path &folder, int seconds)
{
    const std::string file = (folder / "follow.csv").string();
    const logformat::Heading heading = benchHeading();
    const logformat::RowText rowText(heading.channels);
    std::ofstream out(file, std::ios::binary);
    const std::string text = logformat::headingText(heading);
    out.write(text.data(), std::streamsize(text.size()));
    char row[logformat::RowText::kMaxLength];
    std::vector<long long> writtenNs;
    const auto writeRow = [&](long long k) {
        std::int16_t codes[kChannels];
        for (int c = 0; c < kChannels; ++c)
            codes[c] = std::int16_t((k * 7 + c * 500) % 2048);
        out.write(row, std::streamsize(rowText.write(row, k, k * 1'000'000, codes)));
    };
    for (long long k = 0; k < kRate; ++k) // a second already there
        writeRow(k);
    out.flush();
    const std::string shown = (folder / "shown.txt").string();
    const auto started = Clock::now();
    const pid_t child = startChild(
        {RECORDVIEW_PROBE, "follow", file, std::to_string(seconds + 1)}, false, shown);
    long long k = kRate;
    writtenNs.assign(std::size_t(kRate), 0);
    const auto begin = Clock::now();
    while (Clock::now() - begin < std::chrono::seconds(seconds)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const long long due = kRate + std::chrono::duration_cast<std::chrono::milliseconds>(
                                          Clock::now() - begin)
                                          .count();
        for (; k < due; ++k)
            writeRow(k);
        out.flush();
        writtenNs.resize(std::size_t(k), nsOf(Clock::now()));
    }
    out.close();
    const Child viewer = waitFor(child, started);
    // A repaint that shows scans up to S first shows every row after the
    // newest of the one before; the oldest of them waited longest.
    std::vector<double> latencies;
    double cpu = 0, wall = 0;
    long long before = kRate - 1;
    for (const std::string &line : linesOf(shown)) {
        long long scan = 0, ns = 0;
        if (std::sscanf(line.c_str(), "shown %lld %lld", &scan, &ns) == 2 && scan > before &&
            scan < (long long)writtenNs.size()) {
            latencies.push_back(double(ns - writtenNs[std::size_t(before + 1)]) / 1e6);
            before = scan;
        }
        std::sscanf(line.c_str(), "cpu %lf of %lf", &cpu, &wall);
    }
    std::sort(latencies.begin(), latencies.end());
    if (!viewer.ok || latencies.empty() || wall <= 0) {
        std::printf("  follow:          the viewer did not run through\n");
        return;
    }
    std::printf("  follow %d s at %d scans/s x %d channels: %zu repaints with new rows, row "
                "written -> on screen (its batch's oldest) median %.0f ms, 90 %% %.0f ms, slowest %.0f ms; viewer CPU %.2f s of "
                "%.1f s (%.1f %% of a core)\n",
                seconds, kRate, kChannels, latencies.size(), latencies[latencies.size() / 2],
                latencies[latencies.size() * 9 / 10], latencies.back(), cpu, wall,
                100 * cpu / wall);
}

// Milliseconds for the lines of all lanes, 1920 wide, over `span`.
double laneMs(const logformat::Recording &recording, const logformat::TimeSpan &span)
{
    constexpr double kWidth = 1920, kHeight = 100;
    const auto start = Clock::now();
    std::size_t lines = 0;
    for (int c = 0; c < recording.channels(); ++c)
        lines += laneLines(recording, c, recording.heading().channels[std::size_t(c)].range, span,
                           QRectF(0, c * kHeight, kWidth, kHeight))
                     .size();
    if (lines == 0)
        std::fprintf(stderr, "no lines\n");
    return secondsSince(start) * 1000;
}

// Best of 5 over the whole run, its first 10 s and its first second.
std::vector<double> laneTimes(const logformat::Recording &recording)
{
    const logformat::TimeSpan whole = logformat::wholeSpan(recording);
    std::vector<double> times;
    for (const std::int64_t ns :
         {whole.endNs - whole.firstNs, std::int64_t(10'000'000'000), std::int64_t(1'000'000'000)}) {
        double best = 1e300;
        for (int round = 0; round < 5; ++round)
            best = std::min(best, laneMs(recording, {whole.firstNs, whole.firstNs + ns}));
        times.push_back(best);
    }
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string figures(const std::vector<double> &values, const char *unit)
{
    std::string text;
    char one[32];
    for (const double v : values) {
        std::snprintf(one, sizeof one, "%s%.2f", text.empty() ? "" : " ", v);
        text += one;
    }
    std::snprintf(one, sizeof one, " %s (median %.2f)", unit, median(values));
    return text + one;
}
constexpr std::int64_t kPageRows = 65536; // the recording's pages
constexpr int kZooms = 10;

// The child: `file` read holding at most `pagesMB` of raw rows; writes one
// line of figures for the parent into `out`.
int readPaged(const std::string &file, double pagesMB, const std::string &out)
{
    try {
        logformat::ReadOptions options;
        options.pageBytes = std::size_t(pagesMB * kMB);
        logformat::RecordingReader reader(file, options);
        auto start = Clock::now();
        const logformat::Recording &recording = *reader.read();
        const double readSeconds = secondsSince(start);
        const std::size_t held = recording.bytes();
        const logformat::TimeSpan whole = logformat::wholeSpan(recording);
        const double wholeMs = laneMs(recording, whole);
        // Pages far from those held last, in random order: half of them
        // read back alone (a code of each asked for), the other half under a
        // zoom to one second in their middle, its time worked out from the
        // run's extent, not read.
        const std::int64_t pages = (recording.rows() + kPageRows - 1) / kPageRows;
        const std::int64_t heldPages = std::int64_t(pagesMB * kMB) / (kPageRows * 24) + 1;
        std::vector<std::int64_t> order;
        for (std::int64_t page = 0; page + heldPages + 1 < pages; ++page)
            order.push_back(page);
        std::shuffle(order.begin(), order.end(), std::mt19937(30));
        order.resize(std::min<std::size_t>(order.size(), 2 * kZooms));
        std::vector<double> readBackMs, zoomMs;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::int64_t page = order[i];
            if (i % 2 == 0) {
                start = Clock::now();
                if (recording.code(0, page * kPageRows + kPageRows / 2) < -2048)
                    std::fprintf(stderr, "no code\n");
                readBackMs.push_back(secondsSince(start) * 1000);
            } else {
                const std::int64_t t =
                    whole.firstNs + std::int64_t(double(whole.endNs - whole.firstNs) *
                                                 (double(page) + 0.5) / double(pages));
                zoomMs.push_back(laneMs(recording, {t, t + 1'000'000'000}));
            }
        }
        std::ofstream(out) << readSeconds << ' ' << held << ' ' << wholeMs << ' '
                           << median(readBackMs) << ' ' << median(zoomMs) << '\n';
        return 0;
    } catch (const RecordingError &error) {
        std::fprintf(stderr, "%s\n", error.message().c_str());
        return 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--paged") == 0)
        return readPaged(argv[2], std::atof(argv[3]), argv[4]);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const long long minutes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const double pagesMB = argc > 3 ? std::max(1.0, std::atof(argv[3])) : 16;
    const fs::path folder =
        fs::temp_directory_path() / ("bench_recording-" + std::to_string(getpid()));
    fs::create_directories(folder);
    struct Remove
    {
        fs::path folder;
        ~Remove()
        {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } remove{folder};
    const std::string file = (folder / "run.csv").string();

    std::printf("bench_recording (%s build), load before: %s\n", ZK_BUILD_TYPE, load().c_str());
    auto start = Clock::now();
    const long long rows = writeRecording(file, minutes * 60 * kRate);
    if (rows < 0) {
        std::fprintf(stderr, "could not write %s\n", file.c_str());
        return 1;
    }
    const double mb = double(fs::file_size(file)) / kMB;
    std::printf("  written: %lld rows of %d channels, %lld min at %d scans/s, %.1f MB, in %.1f s\n",
                rows, kChannels, minutes, kRate, mb, secondsSince(start));

    std::vector<double> readSeconds, readCpu, plotSeconds, plotPeakMB, pandasSeconds;
    std::vector<double> laneMs;
    std::size_t held = 0;
    for (int round = 0; round < rounds; ++round) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        start = Clock::now();
        try {
            logformat::RecordingReader reader(file);
            const logformat::Recording *recording = reader.read();
            readSeconds.push_back(secondsSince(start));
            held = recording->bytes();
            if (round == 0)
                laneMs = laneTimes(*recording);
            if (recording->rows() != rows) {
                std::fprintf(stderr, "read %lld rows of %lld\n", (long long)recording->rows(),
                             rows);
                return 1;
            }
        } catch (const RecordingError &error) {
            std::fprintf(stderr, "%s\n", error.message().c_str());
            return 1;
        }
        getrusage(RUSAGE_SELF, &after);
        readCpu.push_back(cpuSeconds(after) - cpuSeconds(before));

        const std::string png = (folder / "run.png").string();
        fs::remove(png);
        const Child plot = runChild({ZK61AR_DAT, "plot", file, "-o", png}, false);
        if (!plot.ok || !fs::exists(png)) {
            std::fprintf(stderr, "zk61ar-dat plot failed\n");
            return 1;
        }
        plotSeconds.push_back(plot.seconds);
        plotPeakMB.push_back(double(plot.peakKiB) * 1024 / kMB);
    }
    const bool pandas = runChild({"python3", "-c", "import pandas"}, true).ok;
    const std::string pandasTime = (folder / "pandas.txt").string();
    for (int round = 0; pandas && round < rounds; ++round) {
        // The reading alone, as python times it: not python's start.
        const Child read = runChild({"python3", "-c",
                                     "import sys, time, pandas\nt = time.monotonic()\n"
                                     "pandas.read_csv(sys.argv[1], comment='#')\n"
                                     "open(sys.argv[2], 'w').write(str(time.monotonic() - t))",
                                     file, pandasTime},
                                    true);
        double seconds = 0;
        if (read.ok && (std::ifstream(pandasTime) >> seconds))
            pandasSeconds.push_back(seconds);
    }

    std::vector<double> rates;
    for (const double s : readSeconds)
        rates.push_back(mb / s);
    const double budgetMB = double(rows) * kBudgetBytesPerScan / kMB + kBudgetQtMB;
    std::printf("  reader:          %s, %s; CPU %s\n", figures(readSeconds, "s").c_str(),
                figures(rates, "MB/s").c_str(), figures(readCpu, "s").c_str());
    std::printf("  held in memory:  %.1f MB (%.2f bytes a scan)\n", double(held) / kMB,
                double(held) / double(rows));
    std::printf("  plot to PNG:     %s\n", figures(plotSeconds, "s").c_str());
    if (laneMs.size() == 3)
        std::printf("  8 lanes x 1920 px: whole run %.2f ms, 10 s %.2f ms, 1 s %.2f ms\n",
                    laneMs[0], laneMs[1], laneMs[2]);
    std::printf("  plot peak RSS:   %s; budget %.1f MB (24 B a scan + 15 %% + 80 MB)\n",
                figures(plotPeakMB, "MB").c_str(), budgetMB);
    if (pandas)
        std::printf("  pandas.read_csv: %s\n", figures(pandasSeconds, "s").c_str());
    else
        std::printf("  pandas.read_csv: not measured, python3 has no pandas here\n");
    // The viewer: to its first frame (as zk61ar-dat view starts it), then
    // its redraws, a picture of it, and following.
    std::vector<double> paintSeconds;
    const std::string painted = (folder / "painted.txt").string();
    for (int round = 0; round < rounds; ++round) {
        const auto begin = Clock::now();
        const Child probe = runChild({RECORDVIEW_PROBE, "paint", file}, false, painted);
        long long ns = 0;
        for (const std::string &line : linesOf(painted))
            std::sscanf(line.c_str(), "painted %lld", &ns);
        if (probe.ok && ns > 0)
            paintSeconds.push_back(double(ns - nsOf(begin)) / 1e9);
    }
    std::printf("  view to first paint: %s\n", figures(paintSeconds, "s").c_str());
    const std::string redraws = (folder / "redraw.txt").string();
    const std::string picture = std::getenv("BENCH_RECORDING_PICTURE")
                                    ? std::getenv("BENCH_RECORDING_PICTURE")
                                    : (folder / "view.png").string();
    runChild({RECORDVIEW_PROBE, "redraw", file, picture}, false, redraws);
    for (const std::string &line : linesOf(redraws))
        if (line.compare(0, 8, "painted ") != 0)
            std::printf("  view %s\n", line.c_str());
    benchFollow(folder, 20);

    // Paged: in a child, so that its peak resident memory is its own.
    const std::string paged = (folder / "paged.txt").string();
    std::vector<double> pagedSeconds, pagedPeakMB, pagedWholeMs, pagedReadBackMs, pagedZoomMs;
    double pagedHeldMB = 0;
    for (int round = 0; round < rounds; ++round) {
        const Child child = runChild({fs::read_symlink("/proc/self/exe").string(), "--paged", file,
                                      std::to_string(pagesMB), paged},
                                     false);
        double seconds = 0, held = 0, wholeMs = 0, readBackMs = 0, zoomMs = 0;
        std::ifstream figuresIn(paged);
        if (!child.ok || !(figuresIn >> seconds >> held >> wholeMs >> readBackMs >> zoomMs)) {
            std::fprintf(stderr, "the paged reading failed\n");
            return 1;
        }
        pagedSeconds.push_back(mb / seconds);
        pagedPeakMB.push_back(double(child.peakKiB) * 1024 / kMB);
        pagedWholeMs.push_back(wholeMs);
        pagedReadBackMs.push_back(readBackMs);
        pagedZoomMs.push_back(zoomMs);
        pagedHeldMB = held / kMB;
    }
    std::printf("  paged, %.0f MB of rows held at most (file %.1f MB):\n", pagesMB, mb);
    std::printf("    reader:        %s; held %.1f MB\n", figures(pagedSeconds, "MB/s").c_str(),
                pagedHeldMB);
    std::printf("    peak RSS:      %s\n", figures(pagedPeakMB, "MB").c_str());
    std::printf("    8 lanes x 1920 px, whole run: %s\n", figures(pagedWholeMs, "ms").c_str());
    std::printf("    one page read back (median of %d): %s\n", kZooms,
                figures(pagedReadBackMs, "ms").c_str());
    std::printf("    8 lanes x 1920 px, 1 s where no page is held (median of %d): %s\n", kZooms,
                figures(pagedZoomMs, "ms").c_str());
    std::printf("  load after: %s\n", load().c_str());
    const bool withinBudget = median(plotPeakMB) <= budgetMB;
    return withinBudget ? 0 : 1;
}
