// Cost of one Adc::adc through the emulated device, beside the floor of the
// same 17 calls into a library that does nothing. Both libraries are called
// libqb7io.so and only the library search tells them apart, so the benchmark
// runs itself once per library folder, as a child with that folder on
// LD_LIBRARY_PATH, and compares what the two children report.
//
//   bench_adc [iterations]            both runs and their ratio
//   bench_adc --measure iterations    one run against whatever the search finds
#include "device/adc.h"
#include "device/qb7driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <limits>
#include <link.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr long kDefaultIterations = 2'000'000;
constexpr int kRounds = 5;
// The two libraries are measured in turn this many times, each keeping its best
// figure, so that a burst of load elsewhere on the machine does not land on
// one of them only.
constexpr int kAlternations = 5;
// Channel 0 carries a sine, so the emulated device computes a waveform on
// every conversion: the dearer case.
constexpr int kChannel = 0;
constexpr int kRange = 0;

std::string loadedLibraryPath()
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return "(not loaded)";
    link_map *map = nullptr;
    std::string path = dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map ? map->l_name : "?";
    dlclose(handle);
    return path;
}

int measure(long iterations)
{
    Qb7Driver driver;
    Adc adc(driver);
    std::int16_t adValue = 0;
    long long checksum = 0;
    try {
        for (long i = 0; i < iterations / 10; ++i)
            checksum += adc.adc(kChannel, kRange, adValue);

        double best = std::numeric_limits<double>::infinity();
        for (int round = 0; round < kRounds; ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (long i = 0; i < iterations; ++i)
                checksum += adc.adc(kChannel, kRange, adValue);
            const std::chrono::duration<double, std::nano> spent =
                std::chrono::steady_clock::now() - start;
            best = std::min(best, spent.count() / static_cast<double>(iterations));
        }
        // The checksum shows that the conversions did run and what they read.
        std::printf("%.3f %lld %s\n", best, checksum, loadedLibraryPath().c_str());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_adc: %s\n", e.what());
        return 1;
    }
    return 0;
}

struct Run
{
    bool ok = false;
    double nsPerConversion = 0;
    long long checksum = 0;
    std::string library;
};

// Runs this executable with `--measure` and `libraryDir` as the only library
// search folder, and reads back its one line of figures.
Run runChild(const char *libraryDir, long iterations)
{
    Run run;
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return run;

    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        setenv("LD_LIBRARY_PATH", libraryDir, 1);
        const std::string count = std::to_string(iterations);
        execl(self, self, "--measure", count.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return run;

    char library[4096] = {};
    run.ok = std::sscanf(output.c_str(), "%lf %lld %4095s", &run.nsPerConversion, &run.checksum,
                         library) == 3;
    run.library = library;
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0)
        return measure(std::atol(argv[2]));

    const long iterations = argc == 2 ? std::atol(argv[1]) : kDefaultIterations;
    if (iterations <= 0) {
        std::fprintf(stderr, "usage: %s [iterations]\n", argv[0]);
        return 2;
    }

    std::printf("Adc::adc(%d, %d), best of %d x %d rounds of %ld conversions, %s build\n", kChannel,
                kRange, kAlternations, kRounds, iterations, ZK_BUILD_TYPE);
    Run floor;
    Run emulated;
    for (int i = 0; i < kAlternations; ++i) {
        for (auto [dir, best] : {std::pair{ZK_TRIVIAL_DIR, &floor}, {ZK_EMULATOR_DIR, &emulated}}) {
            const Run run = runChild(dir, iterations);
            if (!run.ok) {
                std::fprintf(stderr, "bench_adc: the run against %s failed\n", dir);
                return 1;
            }
            if (!best->ok || run.nsPerConversion < best->nsPerConversion)
                *best = run;
        }
    }
    std::printf("  trivial library, 17 empty calls: %8.2f ns/conversion  (%s)\n",
                floor.nsPerConversion, floor.library.c_str());
    std::printf("  emulated device:                 %8.2f ns/conversion  (%s)\n",
                emulated.nsPerConversion, emulated.library.c_str());
    const double ratio = emulated.nsPerConversion / floor.nsPerConversion;
    std::printf("  ratio emulated / trivial:        %8.2f  (goal: at most 2.00)\n", ratio);
    std::printf("  mean reading from the emulated device: %.1f\n",
                static_cast<double>(emulated.checksum) /
                    static_cast<double>(iterations * (kRounds + 0.1)));
    return 0;
}
