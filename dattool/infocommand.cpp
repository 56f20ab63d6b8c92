#include "dattool/commandline.h"

#include "dattool/datvalues.h"
#include "dattool/recordinginput.h"
#include "dattool/standardoutput.h"
#include "dattool/textcolumns.h"

namespace datcommands {

// A row of info for each file: name, size, kind, and the summary of its codes.
int info(const CommandLine &line)
{
    const QStringList files = line.files();
    if (files.isEmpty())
        return usage(QStringLiteral("info 需要至少一个文件"));
    int status = 0;
    std::optional<int> range;
    if (line.parser.isSet(line.range) && !(range = rangeOf(line, &status)))
        return status;
    QList<QStringList> rows;
    QString out;
    for (const QString &file : files) {
        // A recording has lines of its own; the sample files before it keep
        // their columns.
        if (recordinginput::isRecording(file)) {
            const auto reader = recordinginput::load(file);
            if (!reader) {
                status = kBadInput;
                continue;
            }
            out += textcolumns::aligned(rows) + recordinginput::infoText(file, *reader);
            rows.clear();
            continue;
        }
        const std::optional<samplefile::Records> records = readInput(file, range.value_or(-1));
        if (!records) {
            status = kBadInput;
            continue;
        }
        const datvalues::Summary summary = datvalues::summarize(*records);
        // Each figure a column of its own, so that every one lines up.
        rows << QStringList{shown(file), QStringLiteral("%1 字节").arg(samplefile::kFileSize),
                            summary.ranges.isEmpty() ? QStringLiteral("不是数据文件")
                                                     : QStringLiteral("数据文件")} +
                    datvalues::summaryFields(summary);
        if (range)
            rows.back() << datvalues::millivoltFigures(summary, *range);
    }
    out += textcolumns::aligned(rows);
    if (!out.isEmpty() && !writeStdout(out.toUtf8()))
        return kBadInput;
    return status;
}

} // namespace datcommands
