#include "logger/options.h"

#include "logformat/splitset.h"
#include "logger/clitext.h"
#include "logger/logerror.h"
#include "readings/rangetext.h"
#include "system/output.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace logoptions {

namespace {

constexpr int kChannels = 8;
constexpr double kHighestRate = 1'000'000;
constexpr double kLowestRate = 0.000001;
// Long enough for any recording, short enough that no time overflows.
constexpr double kLongestNs = 100.0 * 366 * 24 * 3600 * 1e9;
constexpr std::int64_t kSmallestPart = 4096;

struct Unit
{
    const char *suffix;
    double scale;
};

// A number (a point for decimals, in every locale) followed by one of `units`,
// as value x scale; nothing when the text is not of that form.
std::optional<double> scaled(const std::string &text, std::initializer_list<Unit> units)
{
    double value = 0;
    const char *end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || rest == text.data() || !std::isfinite(value))
        return std::nullopt;
    for (const Unit &unit : units)
        if (std::string(rest, end) == unit.suffix)
            return value * unit.scale;
    return std::nullopt;
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::int64_t parseScans(const std::string &text)
{
    std::int64_t n = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || rest != text.data() + text.size() || n <= 0)
        throw OptionError("扫描次数须为正整数：" + text);
    return n;
}

void parseSplit(const std::string &text, Options &options)
{
    if (const auto bytes =
            scaled(text, {{"K", 1024.0}, {"M", 1024.0 * 1024}, {"G", 1024.0 * 1024 * 1024}})) {
        if (*bytes < kSmallestPart || *bytes > 1e18)
            throw OptionError("--split 的大小须在 4K 以上：" + text);
        options.splitBytes = std::int64_t(*bytes);
        return;
    }
    try {
        options.splitNs = parseDuration(text);
    } catch (const OptionError &) {
        throw OptionError("--split 须为大小（如 100M、2G）或时长（如 30m、1h）：" + text);
    }
}

// Refuses, before anything starts, an output that --force may not replace or
// whose folder is missing. Creating the file later checks again.
void checkOutput(const std::string &path, bool force)
{
    if (const os::Refusal refusal = os::refusalOf(path, force); refusal != os::Refusal::None)
        throw OptionError(os::refusalText(refusal, path));
    const std::string folder = os::folderOf(path);
    if (!os::exists(path) && os::kindOf(folder) != os::Kind::Folder)
        throw OptionError(os::missingFolderText(folder));
}

// Every name a split set may take, before the first scan: the first part, and
// any part of the set already there (run-0007.csv left by an earlier run),
// which --force may replace only when it is a regular file.
void checkSplitSet(const std::string &output, bool force)
{
    checkOutput(logformat::partName(output, 1), force);
    for (const auto &part : logformat::partsIn(output))
        if (const os::Refusal refusal = os::refusalOf(part.second, force);
            refusal != os::Refusal::None)
            throw OptionError(os::refusalText(refusal, part.second));
}

} // namespace

std::vector<ChannelRange> parseChannels(const std::string &text)
{
    std::vector<ChannelRange> channels;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = text.find(',', begin);
        const std::string entry = trimmed(text.substr(begin, comma - begin));
        const std::size_t colon = entry.find(':');
        const std::string channel = trimmed(entry.substr(0, colon));
        if (channel.size() != 1 || channel[0] < '0' || channel[0] >= '0' + kChannels)
            throw OptionError("没有通道 " + channel + "（通道为 0..7）：" + text);
        ChannelRange choice{channel[0] - '0', 0};
        if (colon != std::string::npos) {
            const std::optional<int> range = rangetext::parse(entry.substr(colon + 1));
            if (!range)
                throw OptionError(rangetext::unknownRangeText(trimmed(entry.substr(colon + 1))));
            choice.range = *range;
        }
        for (const ChannelRange &earlier : channels)
            if (earlier.channel == choice.channel)
                throw OptionError("通道 " + channel + " 出现了两次：" + text);
        channels.push_back(choice);
        if (comma == std::string::npos)
            return channels;
        begin = comma + 1;
    }
}

double parseRate(const std::string &text)
{
    if (text == "max")
        return 0;
    const std::optional<double> rate = scaled(text, {{"", 1.0}});
    if (!rate || *rate < kLowestRate || *rate > kHighestRate)
        throw OptionError("速率须为 0.000001 到 1000000 次/秒，或 max：" + text);
    return *rate;
}

std::int64_t parseDuration(const std::string &text)
{
    const std::optional<double> ns =
        scaled(text, {{"ms", 1e6}, {"s", 1e9}, {"m", 60e9}, {"h", 3600e9}});
    if (!ns || *ns < 1e6 || *ns > kLongestNs)
        throw OptionError("时长须如 30s、5m、2h、1.5s 或 250ms（至少 1ms）：" + text);
    return std::llround(*ns);
}

std::optional<Options> parse(int argc, char **argv)
{
    Options options;
    std::string channels = "0", rate = options.rateText, duration, scans, split;
    CLI::App app("以固定速率记录 ZK61AR 的通道，每次扫描一行 CSV（毫伏，精确值）。", "zk61ar-log");
    clitext::speakChinese(app);
    CLI::Option *const withValues[] = {
        app.add_option("-c,--channels", channels,
                       "通道与量程，如 0:0-5V,3:±10V（省略量程为 0-5V；默认 0）")
            ->type_name("LIST"),
        app.add_option("-r,--rate", rate, "每秒扫描次数，如 0.5、10、1000；max 为尽快（默认 10）")
            ->type_name("HZ"),
        app.add_option("-t,--duration", duration, "记录时长，如 30s、5m、2h、1.5s")
            ->type_name("TIME"),
        app.add_option("-n,--scans", scans, "扫描 N 次后停止（都不给则记录到 Ctrl-C）")
            ->type_name("N"),
        app.add_option("-o,--output", options.output, "CSV 文件；- 为标准输出（必须给出）")
            ->type_name("FILE"),
        app.add_option("--split", split,
                       "超过此大小（如 100M）或时长（如 1h）后续写新文件 NAME-0001…")
            ->type_name("SIZE|TIME")};
    app.add_flag("--force", options.force, "替换已有的普通文件（否则从不替换）");
    app.add_flag("-q,--quiet", options.quiet, "不显示进度行");
    bool version = false;
    app.add_flag("--version", version, "显示版本");
    if (const std::string missing = clitext::missingValue(app, argc, argv); !missing.empty())
        throw OptionError(missing);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &done) {
        app.exit(done);
        return std::nullopt;
    } catch (const CLI::ParseError &error) {
        throw OptionError(clitext::failureText(error, app));
    }
    if (version) {
        std::printf("zk61ar-log %s\n", ZK61AR_VERSION);
        return std::nullopt;
    }
    // An empty value is never the option left out ("-t ''" is no "until stopped").
    for (const CLI::Option *option : withValues)
        if (option->count() > 0 && trimmed(option->as<std::string>()).empty())
            throw OptionError(option->get_name() + " 的值不能为空");
    if (options.output.empty())
        throw OptionError("需要 -o FILE（- 为标准输出）");

    options.channels = parseChannels(channels);
    options.rate = parseRate(trimmed(rate));
    options.rateText = trimmed(rate);
    if (!duration.empty())
        options.durationNs = parseDuration(trimmed(duration));
    if (!scans.empty())
        options.scans = parseScans(trimmed(scans));
    if (!split.empty()) {
        if (options.toStandardOutput())
            throw OptionError("--split 需要输出文件，不能与 -o - 同用");
        parseSplit(trimmed(split), options);
    }
    if (options.split())
        checkSplitSet(options.output, options.force);
    else if (!options.toStandardOutput())
        checkOutput(options.output, options.force);
    return options;
}

} // namespace logoptions
