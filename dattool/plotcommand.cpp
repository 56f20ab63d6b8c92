#include "dattool/commandline.h"

#include "dattool/datinput.h"
#include "dattool/datplot.h"
#include "dattool/recordinginput.h"
#include "dattool/recordplot.h"
#include "dattool/standardoutput.h"
#include "dattool/stopsignals.h"

#include <QFileInfo>

namespace datcommands {

namespace {
constexpr int kMaxScale = 16;

// Writes plot's one output whole; a stop signal before or while it is
// written ends the run after it.
int writeOne(const StopSignals &stop, const QString &target, const QByteArray &bytes, bool force)
{
    if (stop.caught())
        stop.endAfter(0, 1);
    const bool written = writeOutput(target, bytes, force);
    if (stop.caught())
        stop.endAfter(written ? 1 : 0, 1);
    return written ? 0 : kBadInput;
}

// The strip chart of a whole recording, from its min/max levels.
int plotRecording(const QStringList &files, const QString &target, bool pdf, int scale, bool axes,
                  bool force)
{
    const StopSignals stop;
    const std::unique_ptr<logformat::RecordingReader> reader =
        recordinginput::load(files.constFirst());
    if (!reader)
        return kBadInput;
    // Any part of a split set is an input.
    QStringList inputs;
    for (const std::string &part : reader->files())
        inputs << escapedText(QByteArray::fromStdString(part));
    if (datinput::Inputs(inputs).hold(target) || !outputAllowed(target, force))
        return kBadInput;
    recordplot::Chart chart;
    chart.title = shown(files.constFirst());
    chart.span = logformat::wholeSpan(reader->recording());
    chart.axes = axes;
    chart.scale = scale;
    const QByteArray bytes = pdf ? recordplot::pdf(reader->recording(), chart)
                                 : recordplot::png(reader->recording(), chart);
    return writeOne(stop, target, bytes, force);
}
} // namespace

int plot(const CommandLine &line)
{
    const QStringList files = line.files();
    if (files.size() != 1)
        return usage(QStringLiteral("plot 需要正好一个文件"));
    if (!line.parser.isSet(line.output))
        return usage(QStringLiteral("plot 需要 -o OUT.png 或 -o OUT.pdf"));
    const QString target = line.parser.value(line.output);
    const QString suffix = QFileInfo(target).suffix().toLower();
    if (target != kStdout && suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))
        return usage(QStringLiteral("输出文件 %1 须以 .png 或 .pdf 结尾").arg(shown(target)));
    bool numeric = false;
    const int scale = line.parser.value(line.scale).toInt(&numeric);
    if (!numeric || scale < 1 || scale > kMaxScale)
        return usage(QStringLiteral("--scale 须为 1..%1 的整数").arg(kMaxScale));
    const bool force = line.parser.isSet(line.force);
    const bool pdf = suffix == QLatin1String("pdf");
    if (recordinginput::isRecording(files.constFirst())) {
        if (line.parser.isSet(line.rate) || line.parser.isSet(line.range))
            return usage(QStringLiteral("录制文件带着自己的时间和量程，不用 --rate 或 --range"));
        return plotRecording(files, target, pdf, scale, line.parser.isSet(line.axes), force);
    }
    int status = 0;
    const std::optional<Units> units = unitsOf(line, &status);
    if (!units)
        return status;

    const StopSignals stop;
    const std::optional<samplefile::Records> records = readInput(files.constFirst(), units->range);
    if (!records || datinput::Inputs(files).hold(target) || !outputAllowed(target, force))
        return kBadInput;
    datplot::View view;
    view.range = units->range;
    view.rate = units->rate;
    view.axes = line.parser.isSet(line.axes);
    // Plain, the window's own picture; with axes, the viewer's measured one.
    view.asSweep = !view.axes;
    if (view.axes)
        view.name = QFileInfo(shown(files.constFirst())).fileName();
    const datplot::Figure figure = datplot::figure(*records, view);
    const QByteArray bytes = pdf ? datplot::pdf(figure) : datplot::png(figure, scale);
    return writeOne(stop, target, bytes, force);
}

} // namespace datcommands
