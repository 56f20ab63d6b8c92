#include "dattool/commandline.h"

#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "readings/rangetext.h"

#include <cmath>

namespace datcommands {

const QString kStdout = QStringLiteral("-");

namespace {
// --rate as samples a second, 0 when not given; nullopt (reported) when bad.
std::optional<double> rateOf(const CommandLine &line)
{
    if (!line.parser.isSet(line.rate))
        return 0.0;
    bool numeric = false;
    const double rate = line.parser.value(line.rate).toDouble(&numeric);
    if (!numeric || !(rate > 0) || !std::isfinite(rate)) {
        usage(QStringLiteral("--rate 须为大于 0 的数（次/秒）"));
        return std::nullopt;
    }
    return rate;
}
} // namespace

QString shown(const QString &name)
{
    return FilePath::fromText(name).shown;
}

int usage(const QString &message)
{
    datinput::complain(message + QStringLiteral("（见 --help）"));
    return kBadCommandLine;
}

std::optional<int> rangeOf(const CommandLine &line, int *status)
{
    if (!line.parser.isSet(line.range)) {
        *status = usage(QStringLiteral("%1 需要 --range").arg(line.command()));
        return std::nullopt;
    }
    const QString name = line.parser.value(line.range);
    const std::optional<int> range = datvalues::parseRange(name);
    if (!range) {
        datinput::complain(
            QString::fromStdString(rangetext::unknownRangeText(shown(name).toStdString())));
        *status = kBadInput;
    }
    return range;
}


std::optional<Units> unitsOf(const CommandLine &line, int *status)
{
    const std::optional<double> rate = rateOf(line);
    if (!rate) {
        *status = kBadCommandLine;
        return std::nullopt;
    }
    const std::optional<int> range = rangeOf(line, status);
    if (!range)
        return std::nullopt;
    return Units{*range, *rate};
}

std::optional<samplefile::Records> readInput(const QString &file, int range)
{
    try {
        return datinput::load(file, range);
    } catch (const FileError &error) {
        datinput::complain(error);
        return std::nullopt;
    }
}

} // namespace datcommands
