#pragma once

// The converter's four input ranges, by range code 0..3: each spans its full
// scale with the 4096 codes of 12 bits, unipolar 0..4095 or bipolar -2048..2047
// (12-bit two's complement).
namespace inputrange {

constexpr int kCount = 4;
constexpr int kCodes = 4096;

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

constexpr int lowestCode(int range)
{
    return isBipolar(range) ? -kCodes / 2 : 0;
}

constexpr int highestCode(int range)
{
    return lowestCode(range) + kCodes - 1;
}

// Whether a converter in `range` can deliver `code`.
constexpr bool fits(int code, int range)
{
    return code >= lowestCode(range) && code <= highestCode(range);
}

// The code of the converter's 12 bits (0..4095, as read) in `range`.
constexpr int codeOfBits(int bits, int range)
{
    return isBipolar(range) && bits >= kCodes / 2 ? bits - kCodes : bits;
}

} // namespace inputrange
