// What is the same of the running process on every system.
#include "system/process.h"

#include "system/file.h"

namespace os {

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || c == 0x2329 || c == 0x232A ||
           (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE10 && c <= 0xFE19) ||
           (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool standardErrorIsTerminal()
{
    File error;
    takeStandardError(error);
    return isTerminal(error);
}

bool standardOutputIsTerminal()
{
    File output;
    takeStandardOutput(output);
    return isTerminal(output);
}

void writeToStandardError(const std::string &text)
{
    File error;
    takeStandardError(error);
    withStopsHeldBack([&] { writeAll(error, text.data(), text.size()); });
}

} // namespace os
