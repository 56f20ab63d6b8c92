#include "logformat/splitset.h"

#include <cstdio>

namespace logformat {

std::string partName(const std::string &output, int part)
{
    const std::size_t base = output.find_last_of('/') + 1; // 0 when there is no folder
    std::size_t dot = output.find_last_of('.');
    if (dot == std::string::npos || dot <= base)
        dot = output.size();
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", part);
    return output.substr(0, dot) + number + output.substr(dot);
}

} // namespace logformat
