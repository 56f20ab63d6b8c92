#include "logformat/heading.h"

#include "readings/rangetext.h"
#include "logformat/recordingerror.h"

#include <charconv>
#include <cstring>

namespace logformat {

std::string columnName(int channel)
{
    return "ch" + std::to_string(channel) + "_mV";
}

std::string headingText(const Heading &heading)
{
    std::string text = std::string("# ") + kProgram + " " + heading.version + "\r\n";
    text += "# start: " + heading.start + "\r\n# rate: ";
    text += heading.rateText == kRateMax ? heading.rateText + "\r\n"
                                         : heading.rateText + " scans/s\r\n";
    for (const ChannelRange &c : heading.channels) {
        text += "# ch" + std::to_string(c.channel) + ": ";
        text += rangetext::name(c.range);
        text += "\r\n";
    }
    if (heading.part > 0)
        text += "# part: " + std::to_string(heading.part) + "\r\n";
    for (const std::string &line : heading.otherLines)
        text += line + "\r\n";
    text += "scan,time_s";
    for (const ChannelRange &c : heading.channels)
        text += "," + columnName(c.channel);
    text += "\r\n";
    return text;
}

std::string lineProblem(const std::string &shown, std::int64_t line, const std::string &what)
{
    return "文件 " + shown + " 第 " + std::to_string(line) + " 行：" + what;
}

namespace {

bool startsWith(const std::string &text, const char *start)
{
    return text.compare(0, std::strlen(start), start) == 0;
}

std::optional<int> number(const std::string &text)
{
    int value = 0;
    const char *const end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty())
        return std::nullopt;
    return value;
}

// "# chN: RANGE" read into `channel`; false for a line of another kind.
bool channelLine(const std::string &line, ChannelRange &channel, std::string &rangeText)
{
    if (!startsWith(line, "# ch"))
        return false;
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos)
        return false;
    const std::optional<int> n = number(line.substr(4, colon - 4));
    if (!n)
        return false;
    channel.channel = *n;
    rangeText = line.substr(colon + 2);
    return true;
}

} // namespace

std::optional<HeadingRead> readHeading(const char *text, std::size_t size, const std::string &shown,
                                       bool whole)
{
    HeadingRead read;
    Heading &h = read.heading;
    const std::string program = std::string("# ") + kProgram + " ";
    for (std::size_t at = 0;;) {
        const char *const feed = static_cast<const char *>(std::memchr(text + at, '\n', size - at));
        const std::int64_t lineNumber = read.lines + 1;
        if (!feed) {
            if (!whole)
                return std::nullopt;
            // Not even a whole first line: a file of something else, or one
            // whose heading never reached the disk.
            if (read.lines == 0)
                throw RecordingError("文件 " + shown +
                                     " 不是 zk61ar-log 的录制文件（第 1 行应为 “" + program +
                                     "版本”）");
            throw RecordingError(
                lineProblem(shown, lineNumber, "文件在表头之前结束（应有 scan,time_s,… 一行）"));
        }
        std::string line(text + at, feed);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        at = std::size_t(feed - text) + 1;
        ++read.lines;
        if (read.lines == 1) {
            if (!startsWith(line, program.c_str()))
                throw RecordingError("文件 " + shown +
                                     " 不是 zk61ar-log 的录制文件（第 1 行应为 “" + program +
                                     "版本”）");
            h.version = line.substr(program.size());
            continue;
        }
        ChannelRange channel;
        std::string rangeText;
        if (startsWith(line, "# start: ")) {
            h.start = line.substr(9);
        } else if (startsWith(line, "# rate: ")) {
            h.rateText = line.substr(8);
            const std::size_t unit = h.rateText.find(" scans/s");
            if (unit != std::string::npos && unit + 8 == h.rateText.size())
                h.rateText.resize(unit);
            if (h.rateText != kRateMax) {
                char *end = nullptr;
                h.rate = std::strtod(h.rateText.c_str(), &end);
                if (end == h.rateText.c_str() || *end != '\0' || !(h.rate > 0))
                    throw RecordingError(
                        lineProblem(shown, lineNumber, "看不懂的采样率 “" + line + "”"));
            }
        } else if (channelLine(line, channel, rangeText)) {
            const std::optional<int> range = rangetext::parse(rangeText);
            if (!range || channel.channel < 0 || channel.channel > 7)
                throw RecordingError(lineProblem(shown, lineNumber, "看不懂的通道 “" + line + "”"));
            channel.range = *range;
            h.channels.push_back(channel);
        } else if (startsWith(line, "# part: ")) {
            const std::optional<int> part = number(line.substr(8));
            if (!part || *part < 1)
                throw RecordingError(
                    lineProblem(shown, lineNumber, "看不懂的分段号 “" + line + "”"));
            h.part = *part;
        } else if (startsWith(line, "#")) {
            h.otherLines.push_back(line);
        } else {
            std::string header = "scan,time_s";
            for (const ChannelRange &c : h.channels)
                header += "," + columnName(c.channel);
            if (h.channels.empty())
                throw RecordingError(
                    lineProblem(shown, lineNumber, "表头之前没有 # chN 行，不知道各通道的量程"));
            if (line != header)
                throw RecordingError(
                    lineProblem(shown, lineNumber, "表头应为 “" + header + "”（按 # ch 行）"));
            read.bytes = at;
            return read;
        }
    }
}

} // namespace logformat
