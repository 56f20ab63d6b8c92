#pragma once
#include "channelsignals.h"
#include "device/qb7api.h"

#include <cstdint>

namespace emu {

// The device behind the two 8-bit ports: port B carries the converter's control
// lines, port A the control byte out and the code back in.
//
// The port operations are defined here, inline, because every conversion makes
// fifteen of them (three direction settings, seven writes, five reads; with
// opening and closing, seventeen calls): each is a handful of bit operations,
// and only the two edges that latch the control byte and start a conversion
// leave this header.
class Device
{
public:
    explicit Device(ChannelSignals &signals) : m_signals(signals) {}

    void open() { m_open = true; }
    void close() { m_open = false; }
    bool isOpen() const { return m_open; }

    // Each returns false when the device did not take the call: closed device,
    // unknown address, wrong mode, or a read that leaves the byte unfilled. A
    // write to lines set for input is taken and changes nothing.
    bool setDirection(int address, int mask, int mode);
    bool write(int address, std::uint8_t value);
    bool read(int address, std::uint8_t &value) const;

private:
    struct Port
    {
        std::uint8_t output = 0; // bit set: that line is an output
        std::uint8_t latch = 0xFF;
    };

    static constexpr std::uint8_t kWholePort = 0xFF;
    static std::uint8_t singleLine(std::uint8_t value) { return value ? 0xFF : 0x00; }
    // Sets those of the addressed lines that are outputs to `written`.
    static bool writeLines(Port &port, std::uint8_t addressed, std::uint8_t written);
    bool writePortB(std::uint8_t addressed, std::uint8_t written);
    bool readPortA(std::uint8_t addressed, std::uint8_t &value) const;
    bool readPortB(std::uint8_t addressed, std::uint8_t &value) const;

    // Port B's control lines.
    static constexpr std::uint8_t kSelectHigh = 1 << 0; // 1: bits 11..8 on port A, 0: bits 7..0
    static constexpr std::uint8_t kStart = 1 << 1;      // falling edge starts a conversion
    static constexpr std::uint8_t kLatch = 1 << 2;      // rising edge takes the control byte
    static constexpr std::uint8_t kEnable = 1 << 3;     // low: converter on, driving port A

    // Recomputes port B's levels after a change of its latch or directions and
    // acts on their edges. Lines set for input float high.
    void portBChanged();
    void controlEdges(std::uint8_t before, std::uint8_t now);
    // What the converter drives onto port A's lines.
    std::uint8_t dataLines() const;

    ChannelSignals &m_signals;
    bool m_open = false;
    Port m_a;
    Port m_b;
    std::uint8_t m_bLevels = 0xFF;
    std::uint8_t m_control = 0;
    bool m_resultValid = false;
    std::uint16_t m_code = 0; // 12 bits as they leave the converter
};

inline void Device::portBChanged()
{
    const std::uint8_t before = m_bLevels;
    m_bLevels = static_cast<std::uint8_t>((m_b.latch & m_b.output) | ~m_b.output);
    // Only two edges matter and they come once per conversion each; every other
    // change of port B stops here.
    if ((m_bLevels & ~before & kLatch) || (before & ~m_bLevels & kStart))
        controlEdges(before, m_bLevels);
}

inline bool Device::setDirection(int address, int mask, int mode)
{
    if (!m_open || mode != qb7::kMode || (address != qb7::kPortA && address != qb7::kPortB))
        return false;
    if (address == qb7::kPortB) {
        m_b.output = static_cast<std::uint8_t>(mask);
        portBChanged();
    } else {
        m_a.output = static_cast<std::uint8_t>(mask);
    }
    return true;
}

inline bool Device::writeLines(Port &port, std::uint8_t addressed, std::uint8_t written)
{
    const std::uint8_t lines = port.output & addressed;
    port.latch = static_cast<std::uint8_t>((port.latch & ~lines) | (written & lines));
    return true;
}

inline bool Device::writePortB(std::uint8_t addressed, std::uint8_t written)
{
    writeLines(m_b, addressed, written);
    portBChanged();
    return true;
}

// The addresses are spelled out case by case, so that each one compiles to the
// few instructions its own port and line need.
inline bool Device::write(int address, std::uint8_t value)
{
    if (!m_open)
        return false;
    switch (address) {
    case qb7::kPortA:
        return writeLines(m_a, kWholePort, value);
    case qb7::kPortA + 1:
        return writeLines(m_a, 1 << 0, singleLine(value));
    case qb7::kPortA + 2:
        return writeLines(m_a, 1 << 1, singleLine(value));
    case qb7::kPortA + 4:
        return writeLines(m_a, 1 << 2, singleLine(value));
    case qb7::kPortA + 8:
        return writeLines(m_a, 1 << 3, singleLine(value));
    case qb7::kPortB:
        return writePortB(kWholePort, value);
    case qb7::kPortB + 1:
        return writePortB(1 << 0, singleLine(value));
    case qb7::kPortB + 2:
        return writePortB(1 << 1, singleLine(value));
    case qb7::kPortB + 4:
        return writePortB(1 << 2, singleLine(value));
    case qb7::kPortB + 8:
        return writePortB(1 << 3, singleLine(value));
    default:
        return false;
    }
}

inline std::uint8_t Device::dataLines() const
{
    if ((m_bLevels & kEnable) || !m_resultValid)
        return 0xFF;
    return static_cast<std::uint8_t>((m_bLevels & kSelectHigh) ? m_code >> 8 : m_code);
}

inline bool Device::readPortA(std::uint8_t addressed, std::uint8_t &value) const
{
    // A line the library drives itself cannot be read back.
    if (m_a.output & addressed)
        return false;
    const std::uint8_t levels = dataLines();
    value = addressed == kWholePort ? levels : (levels & addressed) != 0;
    return true;
}

inline bool Device::readPortB(std::uint8_t addressed, std::uint8_t &value) const
{
    value = addressed == kWholePort ? m_bLevels : (m_bLevels & addressed) != 0;
    return true;
}

inline bool Device::read(int address, std::uint8_t &value) const
{
    if (!m_open)
        return false;
    switch (address) {
    case qb7::kPortA:
        return readPortA(kWholePort, value);
    case qb7::kPortA + 1:
        return readPortA(1 << 0, value);
    case qb7::kPortA + 2:
        return readPortA(1 << 1, value);
    case qb7::kPortA + 4:
        return readPortA(1 << 2, value);
    case qb7::kPortA + 8:
        return readPortA(1 << 3, value);
    case qb7::kPortB:
        return readPortB(kWholePort, value);
    case qb7::kPortB + 1:
        return readPortB(1 << 0, value);
    case qb7::kPortB + 2:
        return readPortB(1 << 1, value);
    case qb7::kPortB + 4:
        return readPortB(1 << 2, value);
    case qb7::kPortB + 8:
        return readPortB(1 << 3, value);
    default:
        return false;
    }
}

} // namespace emu
