#include "dattool/datinput.h"

#include "dattool/datvalues.h"

#include <cstdio>

namespace datinput {

samplefile::Records load(const QString &path, int range)
{
    const FilePath file = FilePath::fromText(path);
    const samplefile::Records records = samplefile::read(file, samplefile::Length::Exact);
    if (range < 0)
        return records;
    if (const int point = datvalues::firstMisfit(records, range))
        throw FileError(QStringLiteral("文件 %1 第 %2 点的码值 %3 不可能来自量程 %4")
                            .arg(file.shown, QString::number(point),
                                 QString::number(records[point - 1]), datvalues::rangeName(range)));
    return records;
}

void complain(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fputs(("zk61ar-dat: " + line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void complain(const Failure &failure, const QString &after)
{
    complain(QString::fromStdString(failure.message()) + after);
}

} // namespace datinput
