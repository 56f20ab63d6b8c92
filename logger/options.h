#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of zk61ar-log. Every value is read here, locale-free, and
// refused with OptionError before anything is started or created.
namespace logoptions {

struct ChannelRange
{
    int channel = 0;
    int range = 0;
};

struct Options
{
    std::vector<ChannelRange> channels{{0, 0}}; // in the order given
    double rate = 10;                           // scans per second; 0 for "max"
    std::string rateText = "10";
    std::optional<std::int64_t> durationNs;
    std::optional<std::int64_t> scans;
    std::string output; // "-" for standard output
    std::optional<std::int64_t> splitBytes;
    std::optional<std::int64_t> splitNs;
    bool force = false;
    bool quiet = false;

    bool toStandardOutput() const { return output == "-"; }
    bool split() const { return splitBytes || splitNs; }
};

// "0:0-5V,3:±10V": each channel 0..7 at most once, its range 0-5V when left out.
std::vector<ChannelRange> parseChannels(const std::string &text);
// A positive number of scans per second, or "max" (0).
double parseRate(const std::string &text);
// "30s", "5m", "2h", "1.5s", "250ms" in nanoseconds.
std::int64_t parseDuration(const std::string &text);

// The options of a command line, or nothing when it only asked for help or
// the version, which are then printed. Also refuses an output that exists
// without --force or lies in a folder that does not exist.
std::optional<Options> parse(int argc, char **argv);

} // namespace logoptions
