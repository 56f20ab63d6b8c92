#include "dcoverrides.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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
    if (text.empty())
        return false;
    // strtod follows the C locale here: the library never calls setlocale, and
    // the host program leaves LC_NUMERIC alone.
    const char *begin = text.c_str();
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end != begin + text.size() || errno == ERANGE || !std::isfinite(value))
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
