// What is the same of the running process on every system.
#include "system/process.h"

#include "system/file.h"

namespace os {

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
