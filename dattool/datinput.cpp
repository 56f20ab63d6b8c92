#include "dattool/datinput.h"

#include "dattool/datvalues.h"

#include <cstdio>

namespace datinput {

Input load(const QString &path, int range)
{
    samplefile::ReadResult read = samplefile::read(path, samplefile::Length::Exact);
    Input input{read.records, read.error};
    if (!input.error.isEmpty() || range < 0)
        return input;
    if (const int point = datvalues::firstMisfit(input.records, range)) {
        input.error =
            QStringLiteral("文件 %1 第 %2 点的码值 %3 不可能来自量程 %4")
                .arg(path, QString::number(point), QString::number(input.records[point - 1]),
                     datvalues::rangeName(range));
    }
    return input;
}

void complain(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fputs(("zk61ar-dat: " + line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace datinput
