#pragma once
#include <QString>

#include <cstdint>
#include <optional>

// The millivolt readout of a conversion result: floor(FS x adValue / 4096) as a
// bare integer, FS the range's full scale. Nothing for a range code outside 0..3.
std::optional<QString> readoutText(std::int16_t adValue, int range);
