#include "unplugging.h"

#include <charconv>

namespace emu {

std::optional<Unplugging> Unplugging::parse(const std::string &text)
{
    std::int64_t n = 0;
    const char *const end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, n);
    if (error != std::errc() || rest == text.data() || n < 0)
        return std::nullopt;
    const std::string unit(rest, end);
    Unplugging unplugging;
    if (unit.empty())
        unplugging.m_afterReads = n;
    else if (unit == "ms" || unit == "s")
        unplugging.m_at = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(unit == "s" ? n * 1000 : n);
    else
        return std::nullopt;
    return unplugging;
}

bool Unplugging::answers()
{
    if (m_afterReads)
        return ++m_reads <= *m_afterReads;
    return !m_at || std::chrono::steady_clock::now() < *m_at;
}

} // namespace emu
