#pragma once

// The converter's four input ranges, by range code 0..3.
namespace inputrange {

constexpr int kCount = 4;

constexpr bool isValid(int range)
{
    return range >= 0 && range < kCount;
}

// Bipolar ranges (±5 V, ±10 V) deliver 12-bit two's complement codes.
constexpr bool isBipolar(int range)
{
    return range == 1 || range == 3;
}

// Width of the range in millivolts, spanned by the 4096 codes.
constexpr int fullScaleMillivolts(int range)
{
    constexpr int kFullScale[kCount] = {5000, 10000, 10000, 20000};
    return isValid(range) ? kFullScale[range] : 0;
}

} // namespace inputrange
