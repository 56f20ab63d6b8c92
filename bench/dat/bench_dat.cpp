// One .dat file to CSV: zk61ar-dat's own path (samplefile::read, the exact
// millivolt text, writeWholeFile) beside a plain C loop that reads the same
// bytes with fread and writes the same text with fprintf("%.15g"), which prints
// these binary fractions exactly. Both write a new file each time, in a private
// folder. Goal: the tool at most 2x the C loop.
//
//   bench_dat [conversions]
#include "dattool/datvalues.h"
#include "files/samplefile.h"
#include "files/wholefile.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
constexpr int kRounds = 7;
constexpr int kRange = 0; // 0-5V: up to nine decimals, the longest rows
constexpr int kFullScale = 5000;

using Clock = std::chrono::steady_clock;

bool toolConversion(const QString &in, const QString &out)
{
    try {
        const samplefile::Records records = samplefile::read(in, samplefile::Length::Exact);
        if (datvalues::firstMisfit(records, kRange))
            return false;
        writeWholeFile(out, datvalues::csv(records, kRange));
        return true;
    } catch (const FileError &) {
        return false;
    }
}

bool cConversion(const char *in, const char *out)
{
    unsigned char bytes[16384];
    FILE *source = std::fopen(in, "rb");
    if (!source)
        return false;
    const size_t got = std::fread(bytes, 1, sizeof bytes, source);
    std::fclose(source);
    if (got != sizeof bytes)
        return false;
    FILE *sink = std::fopen(out, "wbx");
    if (!sink)
        return false;
    std::fputs("point,code,mV\r\n", sink);
    for (int r = 1; r <= 8192; ++r) {
        const int code = std::int16_t(bytes[(r - 1) * 2] | bytes[(r - 1) * 2 + 1] << 8);
        std::fprintf(sink, "%d,%d,%.15g\r\n", r, code, kFullScale * double(code) / 4096);
    }
    return std::fclose(sink) == 0;
}

// Best of kRounds, each the mean of `conversions`, in microseconds.
template <typename Convert> double measure(int conversions, const QString &out, Convert convert)
{
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        double total = 0;
        for (int i = 0; i < conversions; ++i) {
            QFile::remove(out);
            const auto start = Clock::now();
            if (!convert()) {
                std::fprintf(stderr, "conversion failed\n");
                std::exit(1);
            }
            total += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        }
        best = std::min(best, total / conversions);
    }
    return best;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

int main(int argc, char *argv[])
{
    const int conversions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString in = dir.filePath("vx-2261437.dat");
    SampleBuffer buffer;
    for (int r = 1; r <= 8192; ++r)
        buffer(r) = std::int16_t((r * 2654435761u >> 7) % 4096); // every code, scattered
    try {
        writeWholeFile(in, samplefile::encode(buffer));
    } catch (const FileError &) {
        return 1;
    }
    const QString toolOut = dir.filePath("tool.csv"), cOut = dir.filePath("c.csv");
    const QByteArray inName = QFile::encodeName(in), cName = QFile::encodeName(cOut);

    const double tool = measure(conversions, toolOut, [&] { return toolConversion(in, toolOut); });
    const double c = measure(conversions, cOut, [&] { return cConversion(inName, cName); });
    const bool same = contents(toolOut) == contents(cOut);

    std::printf("bench_dat (%s build), one 16384-byte file to a %lld-byte CSV, best of %d x %d:\n",
                ZK_BUILD_TYPE, static_cast<long long>(contents(toolOut).size()), kRounds,
                conversions);
    std::printf("  zk61ar-dat path   %8.1f us\n", tool);
    std::printf("  plain C loop      %8.1f us\n", c);
    std::printf("  ratio             %8.2f x   (goal: at most 2x)\n", tool / c);
    std::printf("  same text         %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
