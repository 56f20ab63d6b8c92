#pragma once
#include <cstdint>

namespace emu {

// The 12-bit code the converter delivers for `volts` in range code 0..3, as it
// appears on the data lines: unipolar ranges give 0..4095, bipolar ranges
// -2048..2047 in 12-bit two's complement. Out-of-range inputs clamp to the ends.
std::uint16_t code12(double volts, int range);

} // namespace emu
