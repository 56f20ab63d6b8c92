#include "device/adc.h"

#include "readings/inputrange.h"

using namespace qb7;

namespace {
// Port B's lines: 3 stays low for the whole conversion, 2 latches the control
// byte on its rising edge, 1 starts the conversion on its falling edge, 0 picks
// the high (1) or low (0) part of the code on port A.
constexpr int kSelectHigh = kPortB + line(0);
constexpr int kStart = kPortB + line(1);
constexpr int kLatch = kPortB + line(2);
constexpr int kEnable = kPortB + line(3);
} // namespace

std::int16_t Adc::adc(int Ch, int Range, std::int16_t &adValue)
{
    return convert(Ch, Range, adValue, std::nullopt);
}

Adc::Checked Adc::checkedAdc(int Ch, int Range)
{
    std::int16_t adValue = 0;
    const std::int16_t code = convert(Ch, Range, adValue, kUnanswered);
    for (int bit = 11; bit >= 8; --bit)
        if (bitLines(bit) > 1)
            return {std::nullopt, bit, bitLines(bit)};
    return {code, 0, 0};
}

std::int16_t Adc::convert(int Ch, int Range, std::int16_t &adValue,
                          std::optional<std::uint8_t> unanswered)
{
    m_driver.OpenQB7();
    adValue = 0;
    controlByte = static_cast<std::int16_t>(Ch + 8 * Range + 64);

    m_driver.SetQB7(kPortB, kAllOutput, kMode);
    m_driver.QB7Out(kPortB, 255);
    m_driver.QB7Out(kEnable, 0);
    m_driver.QB7Out(kLatch, 0);
    m_driver.SetQB7(kPortA, kAllOutput, kMode);
    m_driver.QB7Out(kPortA, static_cast<std::uint8_t>(controlByte));
    m_driver.QB7Out(kLatch, 1);
    m_driver.QB7Out(kStart, 0);
    m_driver.SetQB7(kPortA, kAllInput, kMode);

    if (unanswered)
        m_bitLines.fill(*unanswered);
    m_driver.QB7In(kPortA + line(3), bitLines(11));
    m_driver.QB7In(kPortA + line(2), bitLines(10));
    m_driver.QB7In(kPortA + line(1), bitLines(9));
    m_driver.QB7In(kPortA + line(0), bitLines(8));
    highBits = static_cast<std::int16_t>(
        256 * (8 * bitLines(11) + 4 * bitLines(10) + 2 * bitLines(9) + bitLines(8)));

    m_driver.QB7Out(kSelectHigh, 0);
    m_driver.QB7In(kPortA, lowByte);

    if (inputrange::isValid(Range))
        adValue = static_cast<std::int16_t>(inputrange::codeOfBits(highBits + lowByte, Range));

    m_driver.CloseQB7();
    return adValue;
}
