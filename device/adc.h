#pragma once
#include "device/qb7driver.h"

#include <array>
#include <cstdint>

// One complete conversion on the device's 12-bit converter, driven line by line
// through the two ports of the driver library. The readings of the latest
// conversion are kept between calls: every read hands the library the previous
// reading, so a read the library leaves unfilled repeats it.
class Adc
{
public:
    explicit Adc(Qb7Driver &driver) : m_driver(driver) {}

    // Converts channel `Ch` in range code `Range`; leaves the result in `adValue`
    // and returns it. A range code outside 0..3 runs the whole sequence and gives 0.
    std::int16_t adc(int Ch, int Range, std::int16_t &adValue);

    std::uint8_t &bitLines(int bit) { return m_bitLines.at(bit - 8); }

    std::int16_t controlByte = 0;
    std::int16_t highBits = 0;
    std::uint8_t lowByte = 0;

private:
    Qb7Driver &m_driver;
    std::array<std::uint8_t, 4> m_bitLines{}; // bits 8..11 of the code
};
