#include "dattool/commandline.h"

#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "readings/rangetext.h"

#include <QFileInfo>

#include <cmath>
#include <utility>

namespace datcommands {

const QString kStdout = QStringLiteral("-");

namespace {
// Samples a second that a time axis labels: from one in 1000 s to 1 GHz.
constexpr double kLowestRate = 0.001;
constexpr double kHighestRate = 1e9;

// --rate as samples a second, 0 when not given; nullopt (reported) when bad.
std::optional<double> rateOf(const CommandLine &line)
{
    if (!line.parser.isSet(line.rate))
        return 0.0;
    bool numeric = false;
    const double rate = line.parser.value(line.rate).toDouble(&numeric);
    if (!numeric || !(rate >= kLowestRate && rate <= kHighestRate)) {
        usage(QStringLiteral("--rate 须为 %1 到 %2 之间的数（次/秒）")
                  .arg(QString::number(kLowestRate), QString::number(kHighestRate, 'f', 0)));
        return std::nullopt;
    }
    return rate;
}
} // namespace

QString CommandLine::unusedOption() const
{
    const QString c = command();
    if (!QStringList{QStringLiteral("info"), QStringLiteral("csv"), QStringLiteral("plot"),
                     QStringLiteral("view")}
             .contains(c))
        return {};
    const bool plot = c == QLatin1String("plot");
    const bool pdf = QFileInfo(parser.value(output)).suffix().toLower() == QLatin1String("pdf");
    const std::pair<const QCommandLineOption *, bool> uses[] = {
        {&output, c == QLatin1String("csv") || plot},
        {&dir, c == QLatin1String("csv")},
        {&scale, plot && !pdf},
        {&force, c == QLatin1String("csv") || plot},
        {&axes, plot},
        {&rate, c == QLatin1String("view") || (plot && parser.isSet(axes))},
        {&follow, c == QLatin1String("view")}};
    for (const auto &[option, used] : uses)
        if (!used && parser.isSet(*option)) {
            QStringList names;
            for (const QString &name : option->names())
                names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            return names.join(QLatin1Char('/'));
        }
    return {};
}

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
