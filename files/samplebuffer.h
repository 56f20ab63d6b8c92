#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

// The sweep's sample buffer: entries 0..8868, of which 1..8192 hold one sweep,
// entry r for point or record r. An index outside the buffer is a subscript
// error (std::out_of_range), never a silent write: a fault of the program,
// which ends it (failure/failure.h).
class SampleBuffer
{
public:
    static constexpr int kFirstPoint = 1;
    static constexpr int kLastPoint = 8192;
    static constexpr int kLastIndex = 8868;

    std::int16_t &operator()(int index) { return m_entries[checked(index)]; }
    std::int16_t operator()(int index) const { return m_entries[checked(index)]; }

    bool operator==(const SampleBuffer &other) const { return m_entries == other.m_entries; }
    bool operator!=(const SampleBuffer &other) const { return !(*this == other); }

private:
    static std::size_t checked(int index)
    {
        if (index < 0 || index > kLastIndex)
            throw std::out_of_range("下标越界：sampleBuf(" + std::to_string(index) + ")");
        return static_cast<std::size_t>(index);
    }

    std::array<std::int16_t, kLastIndex + 1> m_entries{};
};
