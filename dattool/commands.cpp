#include "dattool/commands.h"

#include "dattool/datinput.h"
#include "dattool/datplot.h"
#include "dattool/datvalues.h"
#include "dattool/datviewer.h"
#include "files/wholefile.h"
#include "print/systemprinter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
#include <map>

namespace datcommands {

namespace {
constexpr int kBadInput = 1;
constexpr int kBadCommandLine = 2;
constexpr int kMaxScale = 16;
const QString kStdout = QStringLiteral("-");

struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption range{
        {QStringLiteral("r"), QStringLiteral("range")},
        QStringLiteral("量程：0-5V、±5V（+-5V）、0-10V、±10V（+-10V）或 0..3。"),
        QStringLiteral("range")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("输出文件；- 为标准输出。"),
                              QStringLiteral("file")};
    QCommandLineOption dir{{QStringLiteral("d"), QStringLiteral("dir")},
                           QStringLiteral("csv：每个输入写成 目录/名称.csv。"),
                           QStringLiteral("dir")};
    QCommandLineOption scale{QStringLiteral("scale"),
                             QStringLiteral("plot：PNG 为 96 dpi 乘以此倍数（1..16，默认 1）。"),
                             QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption force{{QStringLiteral("f"), QStringLiteral("force")},
                             QStringLiteral("替换已有的输出文件。")};
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    bool parsed = false;

    explicit CommandLine(const QStringList &arguments)
    {
        parser.setApplicationDescription(QStringLiteral(
            "读取 zk61ar 存盘的 .dat 数据文件（8192 个 16 位有符号小端码值，无文件头）。\n\n"
            "  info FILE...                              大小、最小/最大/平均码值、适合的量程\n"
            "  csv --range R FILE... [-o OUT | -d DIR]   point,code,mV 形式的 CSV\n"
            "  plot --range R FILE -o OUT.png|OUT.pdf    屏幕网格上的曲线图\n"
            "  view --range R FILE                       在窗口中查看、打印、另存"));
        parser.addOptions({range, output, dir, scale, force});
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("info、csv、plot 或 view。"));
        parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral(".dat 文件。"),
                                     QStringLiteral("FILE..."));
        parsed = parser.parse(arguments);
    }

    QString command() const { return parser.positionalArguments().value(0); }
    QStringList files() const { return parser.positionalArguments().mid(1); }
};

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
            QStringLiteral("未知量程 %1（可用 0-5V、±5V、0-10V、±10V 或 0..3）").arg(name));
        *status = kBadInput;
    }
    return range;
}

// Writes `bytes` whole to `path`, or to standard output for "-".
bool deliver(const QString &path, const QByteArray &bytes, bool force)
{
    if (path == kStdout) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly) && out.write(bytes) == bytes.size() &&
            out.flush())
            return true;
        datinput::complain(QStringLiteral("无法写入标准输出：%1").arg(out.errorString()));
        return false;
    }
    try {
        writeWholeFile(path, bytes, force);
        return true;
    } catch (const FileError &error) {
        datinput::complain(error.message());
        return false;
    }
}

// Refuses an output that would replace a file without --force, before any
// output is written.
bool outputFree(const QString &path, bool force)
{
    const QFileInfo info(path);
    if (path == kStdout || force || (!info.exists() && !info.isSymLink()))
        return true;
    datinput::complain(QStringLiteral("输出文件 %1 已存在；加 --force 才会替换").arg(path));
    return false;
}

int info(const CommandLine &line)
{
    const QStringList files = line.files();
    if (files.isEmpty())
        return usage(QStringLiteral("info 需要至少一个文件"));
    int width = 0;
    for (const QString &file : files)
        width = qMax(width, int(file.size()));
    int status = 0;
    QByteArray out;
    for (const QString &file : files) {
        samplefile::Records records;
        try {
            records = datinput::load(file);
        } catch (const FileError &error) {
            datinput::complain(error.message());
            status = kBadInput;
            continue;
        }
        const datvalues::Summary summary = datvalues::summarize(records);
        out += QStringLiteral("%1  %2 字节  %3  %4\n")
                   .arg(file.leftJustified(width), QString::number(samplefile::kFileSize),
                        summary.ranges.isEmpty() ? QStringLiteral("不是数据文件")
                                                 : QStringLiteral("数据文件  "),
                        datvalues::summaryText(summary))
                   .toUtf8();
    }
    if (!out.isEmpty() && !deliver(kStdout, out, false))
        return kBadInput;
    return status;
}

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
    if (toDir && !QFileInfo(dir).isDir()) {
        datinput::complain(QStringLiteral("输出目录 %1 不存在或不是目录").arg(dir));
        return kBadInput;
    }
    // Every input is read and every output checked before anything is written.
    std::map<QString, QByteArray> outputs;
    QStringList order;
    for (const QString &file : files) {
        const QString target =
            toDir ? QDir(dir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".csv"))
            : toFile ? line.parser.value(line.output)
                     : kStdout;
        samplefile::Records records;
        try {
            records = datinput::load(file, *range);
        } catch (const FileError &error) {
            datinput::complain(error.message());
            return kBadInput;
        }
        if (outputs.count(target)) {
            datinput::complain(
                QStringLiteral("文件 %1 与另一个输入写到同一个 %2").arg(file, target));
            return kBadInput;
        }
        if (!outputFree(target, force))
            return kBadInput;
        outputs[target] = datvalues::csv(records, *range);
        order << target;
    }
    for (const QString &target : order)
        if (!deliver(target, outputs[target], force))
            return kBadInput;
    return 0;
}

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
        return usage(QStringLiteral("输出文件 %1 须以 .png 或 .pdf 结尾").arg(target));
    bool numeric = false;
    const int scale = line.parser.value(line.scale).toInt(&numeric);
    if (!numeric || scale < 1 || scale > kMaxScale)
        return usage(QStringLiteral("--scale 须为 1..%1 的整数").arg(kMaxScale));
    int status = 0;
    const std::optional<int> range = rangeOf(line, &status);
    if (!range)
        return status;

    samplefile::Records records;
    try {
        records = datinput::load(files.constFirst(), *range);
    } catch (const FileError &error) {
        datinput::complain(error.message());
        return kBadInput;
    }
    const bool force = line.parser.isSet(line.force);
    if (!outputFree(target, force))
        return kBadInput;
    const std::vector<QLineF> trace = datplot::traceLines(records, *range);
    const QByteArray bytes =
        suffix == QLatin1String("pdf") ? datplot::pdf(trace) : datplot::png(trace, scale);
    return deliver(target, bytes, force) ? 0 : kBadInput;
}

int view(const CommandLine &line)
{
    const QStringList files = line.files();
    if (files.size() != 1)
        return usage(QStringLiteral("view 需要正好一个文件"));
    int status = 0;
    const std::optional<int> range = rangeOf(line, &status);
    if (!range)
        return status;
    const std::unique_ptr<DatViewer> viewer =
        openViewer(files.constFirst(), *range, std::make_shared<SystemPrinter>());
    if (!viewer)
        return kBadInput;
    viewer->show();
    return QApplication::exec();
}
} // namespace

bool wantsWindow(const QStringList &arguments)
{
    const CommandLine line(arguments);
    return line.parsed && !line.parser.isSet(line.help) && !line.parser.isSet(line.version) &&
           line.command() == QLatin1String("view");
}

int run(const QStringList &arguments)
{
    const CommandLine line(arguments);
    if (!line.parsed)
        return usage(line.parser.errorText());
    if (line.parser.isSet(line.help)) {
        std::fputs(line.parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (line.parser.isSet(line.version)) {
        std::fputs((QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                       .toUtf8()
                       .constData(),
                   stdout);
        return 0;
    }
    const QString command = line.command();
    if (command == QLatin1String("info"))
        return info(line);
    if (command == QLatin1String("csv"))
        return csv(line);
    if (command == QLatin1String("plot"))
        return plot(line);
    if (command == QLatin1String("view"))
        return view(line);
    return usage(command.isEmpty() ? QStringLiteral("缺少命令")
                                   : QStringLiteral("未知命令 %1").arg(command));
}

} // namespace datcommands
