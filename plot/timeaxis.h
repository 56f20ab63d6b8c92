#pragma once
#include <QString>

#include <functional>
#include <vector>

// Time along an axis, in steps a person reads at a glance: 1, 2 or 5 times a
// power of ten of a unit that fits the times shown (ns, µs, ms, s), and from a
// minute on a clock (min:s, then h:mm:ss) stepping 1, 2, 5, 10, 20 or 30
// seconds or minutes, then 1, 2 or 5 times a power of ten of hours. Plain
// inputs, so that any time axis (a file's points at a rate, a recording's
// seconds) can use it.

struct TimeTick
{
    double seconds;
    QString text;
};

struct TimeTicks
{
    QString unit;    // "ns", "µs", "ms", "s", "min:s" or "h:mm:ss"
    double step = 0; // seconds from one tick to the next
    std::vector<TimeTick> ticks;
};

// The width of a label, in the units of the axis' length.
using TextWidth = std::function<double(const QString &text)>;

// The ticks from `from` to `to` seconds (0 <= from < to) along an axis
// `length` long: at the smallest round step at which every two neighbouring
// labels, centred on their ticks, stay `gap` apart.
TimeTicks timeTicks(double from, double to, double length, const TextWidth &width, double gap);

// A time to 9 significant digits in the unit that fits it, the unit after a
// space: "78.4580499 ms".
QString timeText(double seconds);
