#include "dcoverrides.h"

#include <charconv>
#include <cmath>

namespace emu {

namespace {

bool parseChannel(const std::string &text, int &channel)
{
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kChannels)
        return false;
    channel = text[0] - '0';
    return true;
}

bool parseVolts(const std::string &text, double &volts)
{
    // from_chars reads the C form whatever the process locale: the host program
    // (QApplication) sets it from the environment, where "2.5" may not be a number.
    const char *begin = text.data();
    const char *const end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end || !std::isfinite(value))
        return false;
    volts = value;
    return true;
}

} // namespace

DcLevels parseDcLevels(const std::string &text, std::vector<std::string> &rejected)
{
    DcLevels levels;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string entry = text.substr(start, comma - start);
        start = comma + 1;
        if (entry.empty())
            continue;

        const std::size_t equals = entry.find('=');
        int channel = 0;
        double volts = 0.0;
        if (equals == std::string::npos || !parseChannel(entry.substr(0, equals), channel) ||
            !parseVolts(entry.substr(equals + 1), volts)) {
            rejected.push_back(entry);
            continue;
        }
        levels[static_cast<std::size_t>(channel)] = volts;
    }
    return levels;
}

} // namespace emu
