#include "logger/console.h"

#include "system/process.h"

#include <algorithm>
#include <cstdint>

namespace {

// Used where the terminal does not say its width.
constexpr int kDefaultColumns = 80;

// The character that begins at `at`: its bytes and its columns.
std::pair<std::size_t, int> characterAt(const std::string &text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80    ? 1
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 1;
    std::uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length && at + i < text.size(); ++i)
        c = c << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return {std::min(length, text.size() - at), os::isWide(char32_t(c)) ? 2 : 1};
}

// The columns the line may take: one fewer than the terminal's, as a line
// that fills the last column makes some terminals wrap.
int usableColumns()
{
    const int columns = os::standardErrorColumns();
    return std::max(1, (columns > 0 ? columns : kDefaultColumns) - 1);
}

} // namespace

int columnsOf(const std::string &text)
{
    int columns = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto [bytes, width] = characterAt(text, at);
        at += bytes;
        columns += width;
    }
    return columns;
}

std::string cutToColumns(const std::string &text, int columns)
{
    int used = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto [bytes, width] = characterAt(text, at);
        if (used + width > columns)
            return text.substr(0, at);
        at += bytes;
        used += width;
    }
    return text;
}

void Console::progress(const std::string &line)
{
    const int usable = usableColumns();
    const std::string shown = cutToColumns(line, usable);
    const int columns = columnsOf(shown);
    // Spaces over what is left of a longer line before.
    const int blank = std::max(0, std::min(m_shown, usable) - columns);
    os::writeToStandardError("\r" + shown + std::string(std::size_t(blank), ' '));
    m_shown = columns;
}

void Console::say(const std::string &line)
{
    std::string text;
    if (m_shown > 0)
        text = "\r" + std::string(std::size_t(std::min(m_shown, usableColumns())), ' ') + "\r";
    os::writeToStandardError(text + "zk61ar-log: " + line + "\n");
    m_shown = 0;
}
