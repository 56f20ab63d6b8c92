#include "plot/timeaxis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr double kMinute = 60;
constexpr double kHour = 3600;
// Below these the decimal units, from ns up; a time up to a minute is in s.
constexpr double kUnitTops[] = {1e-6, 1e-3, 1, kMinute};
constexpr int kUnitExponents[] = {-9, -6, -3, 0};
const char16_t *const kUnitNames[] = {u"ns", u"µs", u"ms", u"s"};
// Steps on a clock, in seconds, beyond which it steps in hours.
constexpr std::int64_t kClockSteps[] = {1, 2, 5, 10, 20, 30, 60, 120, 300, 600, 1200, 1800};
constexpr std::int64_t kRound[] = {1, 2, 5};

enum class Clock { None, Minutes, Hours };

// mantissa x 10^exponent seconds.
struct Step
{
    std::int64_t mantissa;
    int exponent;
    double seconds() const { return double(mantissa) * std::pow(10.0, exponent); }
};

std::int64_t powerOfTen(int exponent)
{
    std::int64_t p = 1;
    while (exponent-- > 0)
        p *= 10;
    return p;
}

// The candidate steps from about `least` up to the first one past `most`, in
// order.
std::vector<Step> candidates(double least, double most, Clock clock)
{
    std::vector<Step> steps;
    const auto add = [&](Step step) {
        if (step.seconds() >= least * (1 - 1e-9))
            steps.push_back(step);
        return step.seconds() > most;
    };
    for (int exponent = int(std::floor(std::log10(least))) - 1;; ++exponent) {
        // A clock steps on its own from a second up.
        if (clock != Clock::None && exponent >= 0)
            break;
        for (const std::int64_t m : kRound)
            if (add({m, exponent}))
                return steps;
    }
    for (const std::int64_t seconds : kClockSteps)
        if (add({seconds, 0}))
            return steps;
    for (std::int64_t hours = 1;; hours *= 10)
        for (const std::int64_t m : kRound)
            if (add({m * hours * std::int64_t(kHour), 0}))
                return steps;
}

QString decimalText(std::int64_t scaled, int decimals)
{
    if (decimals == 0)
        return QString::number(scaled);
    const std::int64_t one = powerOfTen(decimals);
    return QStringLiteral("%1.%2")
        .arg(scaled / one)
        .arg(scaled % one, decimals, 10, QLatin1Char('0'));
}

QString clockText(std::int64_t scaled, int decimals, Clock clock)
{
    const std::int64_t one = powerOfTen(decimals), seconds = scaled / one;
    QString text = clock == Clock::Hours ? QStringLiteral("%1:%2:")
                                               .arg(seconds / 3600)
                                               .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                         : QStringLiteral("%1:").arg(seconds / 60);
    text += QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (decimals > 0)
        text += QStringLiteral(".%1").arg(scaled % one, decimals, 10, QLatin1Char('0'));
    return text;
}
} // namespace

TimeTicks timeTicks(double from, double to, double length, const TextWidth &width, double gap)
{
    TimeTicks result;
    const double top = std::max(std::abs(from), std::abs(to));
    const auto unit = std::find_if(std::begin(kUnitTops), std::end(kUnitTops),
                                   [&](double below) { return top < below; });
    const std::size_t u = std::size_t(unit - std::begin(kUnitTops));
    const Clock clock = u < std::size(kUnitTops) ? Clock::None
                        : top < kHour            ? Clock::Minutes
                                                 : Clock::Hours;
    result.unit = clock == Clock::Minutes ? QStringLiteral("min:s")
                  : clock == Clock::Hours ? QStringLiteral("h:mm:ss")
                                          : QString::fromUtf16(kUnitNames[u]);
    if (!(to > from) || !(length > 0) || !std::isfinite(to))
        return result;
    const double span = to - from;
    // Ticks never closer than the gap (or a thousandth of the axis).
    const double least = span * std::max(gap, length / 1000) / length;
    for (const Step &step : candidates(least, span, clock)) {
        const double seconds = step.seconds();
        const auto firstK = std::int64_t(std::ceil(from / seconds - 1e-9));
        const auto lastK = std::int64_t(std::floor(to / seconds + 1e-9));
        // Labels as whole numbers of 10^-decimals of the unit (of a second on
        // a clock): k ticks are k x perTick of those.
        const int unitExponent = clock == Clock::None ? kUnitExponents[u] : 0;
        const int decimals = std::max(0, unitExponent - step.exponent);
        const std::int64_t perTick =
            step.mantissa * powerOfTen(step.exponent - unitExponent + decimals);
        TimeTicks candidate{result.unit, seconds, {}};
        double widest = 0;
        for (std::int64_t k = firstK; k <= lastK; ++k) {
            const QString text = clock == Clock::None ? decimalText(k * perTick, decimals)
                                                      : clockText(k * perTick, decimals, clock);
            widest = std::max(widest, width(text));
            candidate.ticks.push_back({double(k) * seconds, text});
        }
        if (candidate.ticks.size() <= 1 || seconds * length / span >= widest + gap)
            return candidate;
    }
    return result;
}

QString timeText(double seconds)
{
    const double magnitude = std::abs(seconds);
    std::size_t u = 0;
    while (u + 1 < std::size(kUnitExponents) && magnitude >= kUnitTops[u])
        ++u;
    if (magnitude == 0)
        u = std::size(kUnitExponents) - 1;
    return QString::number(seconds / std::pow(10.0, kUnitExponents[u]), 'g', 9) + QLatin1Char(' ') +
           QString::fromUtf16(kUnitNames[u]);
}
