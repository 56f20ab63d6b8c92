#pragma once
#include "device/inputrange.h"

#include <cstdint>

// Height of a sample above the bottom of the plot: converter codes over the
// full 5000, unipolar 0 at the bottom, bipolar 0 in the middle.
inline double sweepHeight(std::int16_t adValue, int range)
{
    const double code = inputrange::isBipolar(range) ? adValue + 2048.0 : double(adValue);
    return 5000.0 * (code / 4096.0);
}
