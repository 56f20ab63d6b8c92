#include "channelsignals.h"

#include "coding.h"

#include <chrono>
#include <cmath>

namespace emu {

namespace {

constexpr double kTwoPi = 6.283185307179586;

double fraction(double x)
{
    return x - std::floor(x);
}

// Uniform in [-1, 1), fixed for each millisecond, so the same moment always
// gives the same "noise".
double pseudoNoise(double seconds)
{
    auto x = static_cast<std::uint64_t>(seconds * 1000.0) + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0; // 2^52
}

std::int64_t monotonicMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

ChannelSignals::ChannelSignals(const DcLevels &dc) : m_loaded(monotonicMicroseconds()), m_dc(dc) {}

std::uint16_t ChannelSignals::codeNow(int channel, int range)
{
    channel &= 7;
    range &= 3;
    // A DC level never changes, so its code is worked out once.
    const std::int64_t now = m_dc[static_cast<std::size_t>(channel)] ? 0 : monotonicMicroseconds();
    Memo &memo = m_memo[channel][range];
    if (memo.at != now) {
        memo.at = now;
        memo.code = code12(volts(channel, double(now - m_loaded) * 1e-6), range);
    }
    return memo.code;
}

double ChannelSignals::volts(int channel, double t) const
{
    const auto &dc = m_dc[static_cast<std::size_t>(channel & 7)];
    if (dc)
        return *dc;
    switch (channel & 7) {
    case 0: // 0.5..4.5 V sine, 0.5 Hz
        return 2.5 + 2.0 * std::sin(kTwoPi * 0.5 * t);
    case 1: // 1 Hz square between 4.0 V and 1.0 V
        return fraction(t) < 0.5 ? 4.0 : 1.0;
    case 2: // 0..5 V triangle, 0.25 Hz
        return 5.0 * (1.0 - std::fabs(2.0 * fraction(0.25 * t) - 1.0));
    case 3: // -4..+4 V sawtooth, 2 Hz
        return -4.0 + 8.0 * fraction(2.0 * t);
    case 4:
        return 3.3;
    case 5: // a small, noisy level: 0.1 V +- 0.02 V
        return 0.1 + 0.02 * pseudoNoise(t);
    case 6: // +-8 V sine, 0.2 Hz: needs a 10 V range
        return 8.0 * std::sin(kTwoPi * 0.2 * t);
    default:
        return 0.0;
    }
}

} // namespace emu
