#include "dattool/commandline.h"

#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "dattool/standardoutput.h"
#include "dattool/stopsignals.h"
#include "system/output.h"

#include <QDir>
#include <QFileInfo>

namespace datcommands {

int csv(const CommandLine &line)
{
    const QStringList files = line.files();
    if (files.isEmpty())
        return usage(QStringLiteral("csv 需要至少一个文件"));
    const bool toFile = line.parser.isSet(line.output), toDir = line.parser.isSet(line.dir);
    if (toFile && toDir)
        return usage(QStringLiteral("-o 与 -d 只能用一个"));
    if (files.size() > 1 && !toDir)
        return usage(QStringLiteral("多个文件需要 -d 目录"));
    int status = 0;
    const std::optional<int> range = rangeOf(line, &status);
    if (!range)
        return status;

    const bool force = line.parser.isSet(line.force);
    const QString dir = line.parser.value(line.dir);
    if (toDir && os::kindOf(FilePath::fromText(dir).native.toStdString()) != os::Kind::Folder) {
        datinput::complain(QString::fromStdString(os::missingFolderText(shown(dir).toStdString())));
        return kBadInput;
    }
    const StopSignals stop;
    // Every input is read and every output checked before anything is
    // written; then each output is made and written at once, so the run holds
    // one output at a time, however many inputs it has.
    QStringList targets;
    const datinput::Inputs inputs(files);
    for (const QString &file : files) {
        if (stop.caught())
            stop.endAfter(0, int(files.size()));
        const QString target =
            toDir ? QDir(dir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".csv"))
            : toFile ? line.parser.value(line.output)
                     : kStdout;
        if (!readInput(file, *range) || inputs.hold(target))
            return kBadInput;
        if (targets.contains(target)) {
            datinput::complain(QStringLiteral("文件 %1 与另一个输入写到同一个 %2")
                                   .arg(shown(file), shown(target)));
            return kBadInput;
        }
        if (!outputAllowed(target, force))
            return kBadInput;
        targets << target;
    }
    const int total = int(files.size());
    for (int done = 0; done < total; ++done) {
        // An input changed since it was checked is refused when it is met.
        const std::optional<samplefile::Records> records = readInput(files[done], *range);
        if (!records)
            return kBadInput;
        const QByteArray bytes = datvalues::csv(*records, *range);
        if (stop.caught())
            stop.endAfter(done, total);
        const QString progress =
            total > 1 ? QStringLiteral("（已写完 %1 个输出，共 %2 个）").arg(done).arg(total)
                      : QString();
        if (!writeOutput(targets[done], bytes, force, progress))
            return kBadInput;
    }
    if (stop.caught())
        stop.endAfter(total, total);
    return 0;
}

} // namespace datcommands
