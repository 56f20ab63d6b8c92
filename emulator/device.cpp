#include "device.h"

namespace emu {

namespace {
// Control byte: bits 0-2 channel, bits 3-4 range, bit 6 must be set to convert.
constexpr std::uint8_t kConvert = 1 << 6;
} // namespace

void Device::controlEdges(std::uint8_t before, std::uint8_t now)
{
    if (now & ~before & kLatch) {
        // With port A not all output nothing drives the bus, which floats high.
        m_control = m_a.output == 0xFF ? m_a.latch : 0xFF;
        m_resultValid = false;
    }
    if ((before & ~now & kStart) && !(now & kEnable) && (m_control & kConvert)) {
        m_code = m_signals.codeNow(m_control & 7, (m_control >> 3) & 3);
        m_resultValid = true;
    }
}

} // namespace emu
