#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace emu {

// The device pulled from its cable mid-run, for tests of what a program does
// then: from a given read on, or a given time after the library was loaded,
// reads no longer fill their byte, as no answer comes back.
class Unplugging
{
public:
    // "N": after N reads; "250ms", "2s": that long after loading. Nothing for
    // any other text.
    static std::optional<Unplugging> parse(const std::string &text);

    // Counts one read; whether the device still answers it.
    bool answers();

private:
    std::optional<std::int64_t> m_afterReads;
    std::optional<std::chrono::steady_clock::time_point> m_at;
    std::int64_t m_reads = 0;
};

} // namespace emu
