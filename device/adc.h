#pragma once
#include "device/qb7driver.h"

#include <array>
#include <cstdint>
#include <optional>

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

    // The same 17 calls for a caller that must never take an unanswered read
    // for a reading (the recorder): each single-line read is handed
    // kUnanswered, which no answering library leaves there, as it gives 0 or
    // 1. The code, or nothing when a line read did not come back 0 or 1; the
    // sequence is completed either way, the device closed.
    struct Checked
    {
        std::optional<std::int16_t> code;
        int bit = 0;            // the first line read that failed, 8..11
        std::uint8_t found = 0; // and what it held after the call
    };
    Checked checkedAdc(int Ch, int Range);
    static constexpr std::uint8_t kUnanswered = 0xA5;

    std::uint8_t &bitLines(int bit) { return m_bitLines.at(bit - 8); }

    std::int16_t controlByte = 0;
    std::int16_t highBits = 0;
    std::uint8_t lowByte = 0;

private:
    // The sequence itself; `unanswered` pre-fills the line reads when given,
    // else they get the previous readings.
    std::int16_t convert(int Ch, int Range, std::int16_t &adValue,
                         std::optional<std::uint8_t> unanswered);

    Qb7Driver &m_driver;
    std::array<std::uint8_t, 4> m_bitLines{}; // bits 8..11 of the code
};
