#include "logger/recording.h"

#include "device/adc.h"
#include "device/qb7driver.h"
#include "logger/console.h"
#include "logger/csvoutput.h"
#include "logger/logerror.h"
#include "system/process.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace recording {

namespace {

constexpr std::int64_t kProgressNs = 250'000'000;
constexpr int kFailed = 1;

struct Tally
{
    std::int64_t rows = 0;
    std::int64_t skipped = 0;
    std::int64_t elapsedNs = 0;
    std::int64_t firstNs = -1, lastNs = -1; // the times of the first and last row
};

// A non-negative number with `decimals` decimals, the same in every locale.
std::string decimal(double value, int decimals)
{
    const auto scale = std::int64_t(std::pow(10, decimals));
    const auto units = std::llround(value * double(scale));
    std::string fraction = std::to_string(units % scale);
    fraction.insert(0, std::size_t(decimals) - fraction.size(), '0');
    return std::to_string(units / scale) + "." + fraction;
}

// The rate is that of the rows themselves, measured from the first one's time
// to the last one's: "—" for fewer than two.
std::string figures(const Tally &tally, std::uint64_t bytes)
{
    const double seconds = double(tally.elapsedNs) * 1e-9;
    const double span = double(tally.lastNs - tally.firstNs) * 1e-9;
    const std::string rate =
        tally.rows >= 2 && span > 0 ? decimal(double(tally.rows - 1) / span, 1) : std::string("—");
    return std::to_string(tally.rows) + " 行，超时跳过 " + std::to_string(tally.skipped) + " 次，" +
           decimal(seconds, 3) + " s，" + rate + " 次/s，" + std::to_string(bytes) + " 字节";
}

// The code of one channel in scan `scan`, from the device's answer; a line
// read that did not come back 0 or 1 ends the recording.
std::int16_t converted(Adc &adc, const logoptions::ChannelRange &channel, std::int64_t scan)
{
    const Adc::Checked checked = adc.checkedAdc(channel.channel, channel.range);
    if (!checked.code)
        throw DeviceFault("设备无应答：扫描 " + std::to_string(scan) + " 中通道 " +
                          std::to_string(channel.channel) + " 的第 " + std::to_string(checked.bit) +
                          " 位读数为 " + std::to_string(checked.found) +
                          "，不是 0 或 1（设备是否已断开？），记录停止");
    return *checked.code;
}

// The "#" line that says how the schedule was kept:
// "# schedule: real-time priority, memory locked", or why not.
std::string scheduleLine(const os::Timeliness &granted, bool rated)
{
    std::string line = "# schedule: ";
    if (granted.realTime)
        line += "real-time priority";
    else if (!rated)
        line += "normal priority (-r max keeps no schedule)";
    else
        line += "normal priority (real-time refused: " + granted.priorityWhy + ")";
    line += granted.memoryLocked ? ", memory locked"
                                 : ", memory not locked (" + granted.memoryWhy + ")";
    return line;
}

} // namespace

int run(const logoptions::Options &options)
{
    // Rows written to the terminal the progress would be written to are left
    // alone: no progress then.
    Console console(!options.quiet && os::standardErrorIsTerminal() &&
                    !(options.toStandardOutput() && os::standardOutputIsTerminal()));
    Qb7Driver driver;
    Adc adc(driver);
    std::vector<std::int16_t> codes(options.channels.size());

    const double periodNs = options.rate > 0 ? 1e9 / options.rate : 0;
    const auto dueOf = [periodNs](std::int64_t k) { return std::llround(double(k) * periodNs); };
    std::int64_t limit = options.scans.value_or(INT64_MAX);
    if (options.durationNs && periodNs > 0)
        limit =
            std::min(limit, std::int64_t(std::ceil(double(*options.durationNs) / periodNs - 1e-6)));

    CsvOutput out(options, [&console](const std::string &line) { console.say(line); });
    const os::Timeliness timeliness = os::keepOnTime(periodNs > 0);
    const std::string startUtc = os::utcNow();
    const std::int64_t start = os::monotonicNow();
    Tally tally;
    std::int64_t lastTime = -1;
    std::int64_t nextProgress = kProgressNs;
    int status = 0;
    try {
        for (std::int64_t k = 0; k < limit;) {
            if (periodNs > 0)
                os::sleepUntil(start + dueOf(k));
            if (os::stopRequested())
                break;
            // A scan's time is never that of the scan before, even on a clock
            // that steps in 100 ns (Windows): it is read until it has moved.
            std::int64_t t = os::monotonicNow() - start;
            while (t <= lastTime)
                t = os::monotonicNow() - start;
            lastTime = t;
            if (periodNs > 0 && double(t - dueOf(k)) > periodNs) {
                // Too late for this scan and maybe more: on with the one due now.
                const std::int64_t now = std::min(limit, std::int64_t(double(t) / periodNs));
                tally.skipped += now - k;
                k = now;
                if (k >= limit)
                    break;
            } else if (periodNs == 0 && options.durationNs && t >= *options.durationNs) {
                break;
            }
            for (std::size_t i = 0; i < codes.size(); ++i)
                codes[i] = converted(adc, options.channels[i], k);
            // Created only once the device has answered: a missing driver
            // leaves no file behind.
            if (!out.isOpen())
                out.open(startUtc, {scheduleLine(timeliness, periodNs > 0)});
            out.add(k, t, codes.data());
            ++tally.rows;
            if (tally.firstNs < 0)
                tally.firstNs = t;
            tally.lastNs = t;
            ++k;
            out.writeWhenDue(t, periodNs > 0 ? dueOf(k) : t);
            if (console.showsProgress() && t >= nextProgress) {
                tally.elapsedNs = t;
                console.progress(figures(tally, out.bytes()));
                nextProgress = t + kProgressNs;
            }
        }
        out.finish();
    } catch (const LogError &error) {
        console.say(error.message());
        status = kFailed;
        out.abandon();
    } catch (const Failure &error) {
        // The driver or the device (DriverError, DeviceFault): the rows taken
        // before are good and stay.
        console.say(error.message());
        status = kFailed;
        try {
            out.finish();
        } catch (const LogError &failure) {
            console.say(failure.message());
            out.abandon();
        }
    }
    tally.rows = out.rows(); // those that reached the file
    tally.firstNs = out.firstNs();
    tally.lastNs = out.lastNs();
    tally.elapsedNs = os::monotonicNow() - start;
    // Always, unless the recording failed before it had a file.
    if (out.wasOpened() || status == 0)
        console.say(figures(tally, out.bytes()) + " → " +
                    (out.wasOpened() ? out.names() : std::string("（未创建文件）")));
    return status;
}

} // namespace recording
