#pragma once
#include "dcoverrides.h"

#include <cstdint>

namespace emu {

// What the eight input channels carry: a distinct, repeatable waveform each,
// as a function of the time since the library was loaded, unless a fixed DC
// level replaces it.
class ChannelSignals
{
public:
    explicit ChannelSignals(const DcLevels &dc);

    // The 12-bit code `channel` (0..7) converts to in `range` (0..3) now.
    std::uint16_t codeNow(int channel, int range);

    // Volts on `channel` `seconds` after load.
    double volts(int channel, double seconds) const;

private:
    // The time is read in whole microseconds from the monotonic clock, so a
    // recording at a kilohertz sees the waveforms move from one scan to the
    // next. Within one microsecond every conversion of a channel in a range
    // gives the same code, so the code is worked out once per microsecond.
    struct Memo
    {
        std::int64_t at = -1;
        std::uint16_t code = 0;
    };

    std::int64_t m_loaded;
    DcLevels m_dc;
    Memo m_memo[kChannels][4];
};

} // namespace emu
