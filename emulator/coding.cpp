#include "coding.h"

#include <algorithm>
#include <cmath>

namespace emu {

namespace {
// Ranges 0 and 2 run from 0 V to full scale; 1 and 3 are symmetric about 0 V.
// Either way the 4096 codes span the whole width.
constexpr double kWidthVolts[4] = {5.0, 10.0, 10.0, 20.0};
constexpr bool kBipolar[4] = {false, true, false, true};
} // namespace

std::uint16_t code12(double volts, int range)
{
    const int r = range & 3;
    const double steps = std::floor(volts * 4096.0 / kWidthVolts[r]);
    const double low = kBipolar[r] ? -2048.0 : 0.0;
    const int code = static_cast<int>(std::clamp(steps, low, low + 4095.0));
    return static_cast<std::uint16_t>(code & 0xFFF);
}

} // namespace emu
