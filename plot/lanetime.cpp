#include "plot/lanetime.h"

#include <cmath>

namespace {
constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;

// The smallest round step of at least `least` nanoseconds.
std::int64_t roundStep(double least)
{
    // Past ten seconds the steps are those of a clock.
    constexpr std::int64_t kClock[] = {
        15 * kSecond, 30 * kSecond, kMinute,   2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute,
        30 * kMinute, kHour,        2 * kHour, 3 * kHour,   6 * kHour,   12 * kHour,   24 * kHour};
    if (least > 10 * kSecond) {
        for (const std::int64_t step : kClock)
            if (double(step) >= least)
                return step;
        return std::int64_t(std::ceil(least / double(24 * kHour))) * 24 * kHour;
    }
    for (std::int64_t power = 1;; power *= 10)
        for (const std::int64_t m : {1, 2, 5})
            if (double(m * power) >= least)
                return m * power;
}

QString clockText(std::int64_t ns)
{
    const std::int64_t seconds = ns / kSecond;
    const QString ms = QStringLiteral("%1:%2")
                           .arg(seconds / 60 % 60, seconds >= 3600 ? 2 : 1, 10, QLatin1Char('0'))
                           .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(ms) : ms;
}
} // namespace

std::vector<TimeTick> laneTimeTicks(std::int64_t firstNs, std::int64_t endNs, double width,
                                    double spacing)
{
    std::vector<TimeTick> ticks;
    if (endNs <= firstNs || width <= 0)
        return ticks;
    const double perUnit = double(endNs - firstNs) / width;
    const std::int64_t step = roundStep(std::max(1.0, spacing * perUnit));
    const bool clock = endNs > kMinute && step >= kSecond;
    int decimals = 0;
    for (std::int64_t s = step; s < kSecond && s % kSecond != 0; s *= 10)
        ++decimals;
    for (std::int64_t t = (firstNs + step - 1) / step * step; t < endNs; t += step) {
        const QString label =
            clock ? clockText(t) : QString::number(double(t) / kSecond, 'f', decimals);
        ticks.push_back({t, label});
    }
    return ticks;
}
