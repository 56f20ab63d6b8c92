#include "window/readout.h"

#include "readings/inputrange.h"

#include <cmath>

std::optional<QString> readoutText(std::int16_t adValue, int range)
{
    if (!inputrange::isValid(range))
        return std::nullopt;
    const double fullScale = inputrange::fullScaleMillivolts(range);
    const double millivolts = std::floor(adValue / 4096.0 * fullScale);
    return QString::number(static_cast<long long>(millivolts));
}
