#include "dattool/datinput.h"

#include "dattool/datvalues.h"
#include "system/file.h"

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

Inputs::Inputs(const QStringList &names)
{
    for (const QString &name : names) {
        const FilePath path = FilePath::fromText(name);
        const os::FileId id = os::fileId(path.native.toStdString());
        if (id.known)
            m_shown.emplace(id, path.shown);
    }
}

QString Inputs::holding(const QString &output) const
{
    const bool toStdout = output == QLatin1String("-");
    const FilePath path = FilePath::fromText(output);
    const auto found = m_shown.find(toStdout ? os::standardOutputId()
                                             : os::fileId(path.native.toStdString()));
    if (found == m_shown.end())
        return QString();
    return toStdout ? QStringLiteral("标准输出就是输入文件 %1，写入会毁掉它").arg(found->second)
                    : QStringLiteral("输出文件 %1 就是输入文件 %2，写入会毁掉它")
                          .arg(path.shown, found->second);
}

bool Inputs::hold(const QString &output) const
{
    const QString line = holding(output);
    if (!line.isEmpty())
        complain(line);
    return !line.isEmpty();
}

void complain(const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // What a command line brought in (an option's name) shown as names are.
    line = FilePath::fromText(line).shown;
    std::fputs(("zk61ar-dat: " + line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void complain(const Failure &failure, const QString &after)
{
    complain(QString::fromStdString(failure.message()) + after);
}

} // namespace datinput
