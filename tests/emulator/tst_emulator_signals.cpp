// The emulated device's own signals, read through the real binding over a bit
// more than a second: each channel stays within its waveform's bounds, the
// moving ones move, and no two channels read alike.
#include "device/adc.h"
#include "device/qb7driver.h"
#include "plaintest.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kChannels = 8;
constexpr int kWideRange = 3; // ±10 V holds every channel's signal

// The range each channel is best seen in.
constexpr std::array<int, kChannels> kOwnRange = {0, 0, 0, 1, 0, 0, 3, 3};

struct Readings
{
    std::array<std::vector<int>, kChannels> own;  // in the channel's own range
    std::array<std::vector<int>, kChannels> wide; // all in ±10 V
};

Readings takeReadings()
{
    const char *dc = std::getenv("QB7EMU_DC");
    PT_CHECK_MSG(!dc || !*dc, "QB7EMU_DC would replace the signals");

    // 1.2 s covers a full period of the 1 Hz square and 2 Hz sawtooth and a
    // good part of the slower waves.
    static Qb7Driver driver;
    Adc adc(driver);
    std::int16_t adValue = 0;
    Readings readings;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1200)) {
        for (int ch = 0; ch < kChannels; ++ch) {
            readings.own[ch].push_back(adc.adc(ch, kOwnRange[ch], adValue));
            readings.wide[ch].push_back(adc.adc(ch, kWideRange, adValue));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    PT_CHECK(readings.own[0].size() > 50);
    return readings;
}

const Readings &readings()
{
    static const Readings once = takeReadings();
    return once;
}

} // namespace

PT_TEST(withinBounds)
{
    // Codes are floor(V × 4096 / width) of the channel's own range.
    struct
    {
        const char *name;
        int channel, lowest, highest;
        std::vector<int> onlyValues; // empty: any value within bounds
        int distinctAtLeast;
    } const rows[] = {
        {"ch0 sine 0.5..4.5V", 0, 409, 3686, {}, 20},
        {"ch1 square 1V/4V", 1, 819, 3276, {819, 3276}, 2},
        {"ch2 triangle 0..5V", 2, 0, 4095, {}, 20},
        {"ch3 sawtooth -4..4V", 3, -1639, 1638, {}, 20},
        {"ch4 3.3V", 4, 2703, 2703, {}, 1},
        {"ch5 0.1V noisy", 5, 65, 98, {}, 5},
        {"ch6 sine +-8V", 6, -1639, 1638, {}, 10},
        {"ch7 0V", 7, 0, 0, {}, 1},
    };
    for (const auto &row : rows) {
        const plaintest::Row current(row.name);
        const std::vector<int> &own = readings().own[row.channel];
        std::set<int> distinct;
        for (int code : own) {
            PT_CHECK_MSG(code >= row.lowest && code <= row.highest, std::to_string(code));
            if (!row.onlyValues.empty())
                PT_CHECK_MSG(std::find(row.onlyValues.begin(), row.onlyValues.end(), code) !=
                                 row.onlyValues.end(),
                             std::to_string(code));
            distinct.insert(code);
        }
        PT_CHECK_MSG(int(distinct.size()) >= row.distinctAtLeast,
                     std::to_string(distinct.size()) + " distinct readings");
    }
}

PT_TEST(channelsDiffer)
{
    for (int channel = 0; channel < kChannels; ++channel) {
        const plaintest::Row row("ch" + std::to_string(channel));
        for (int other = 0; other < kChannels; ++other) {
            if (other != channel)
                PT_CHECK_MSG(readings().wide[channel] != readings().wide[other],
                             "ch" + std::to_string(channel) + " reads like ch" +
                                 std::to_string(other));
        }
    }
}

PT_MAIN()
