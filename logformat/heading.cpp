#include "logformat/heading.h"

#include "device/rangetext.h"

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

} // namespace logformat
