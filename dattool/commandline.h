#pragma once
#include "files/samplefile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// zk61ar-dat's command line, read once for every command, the checks more than
// one command makes, and the four commands (one file each).
namespace datcommands {

constexpr int kBadInput = 1;
constexpr int kBadCommandLine = 2;
// The name of standard output, as -o takes it.
extern const QString kStdout;

struct CommandLine
{
    QCommandLineParser parser;
    // Help and version of its own, so that --help lists nothing (--help-all)
    // that parse() would not understand.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("显示本帮助。")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("显示版本。")};
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
                             QStringLiteral("替换已有的输出文件（只替换普通文件）。")};
    QCommandLineOption axes{QStringLiteral("axes"),
                            QStringLiteral("plot：图四周加上标注刻度的边（mV 与点或秒）。")};
    QCommandLineOption rate{
        QStringLiteral("rate"),
        QStringLiteral("plot --axes、view：记录时的采样率（次/秒），横轴标注时间。"),
        QStringLiteral("hz")};
    QCommandLineOption follow{QStringLiteral("follow"),
                              QStringLiteral("view：跟随仍在写入的录制文件，显示新追加的行。")};
    bool parsed = false;

    explicit CommandLine(const QStringList &arguments)
    {
        parser.setApplicationDescription(QStringLiteral(
            "读取 zk61ar 存盘的 .dat 数据文件（8192 个 16 位有符号小端码值，无文件头）。\n\n"
            "  info FILE...                              大小、最小/最大/平均码值、适合的量程\n"
            "  info --range R FILE...                    "
            "另加该量程下的最小、最大、峰峰值、平均、均方根（mV）\n"
            "  csv --range R FILE... [-o OUT | -d DIR]   point,code,mV 形式的 CSV\n"
            "  plot --range R FILE -o OUT.png|OUT.pdf    屏幕网格上的曲线图（--axes 加坐标）\n"
            "  view --range R FILE [--rate HZ]           在窗口中查看、测量、缩放、打印、另存"));
        parser.addOptions({help, version, range, output, dir, scale, force, axes, rate, follow});
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("info、csv、plot 或 view。"));
        parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral(".dat 文件或录制文件。"),
                                     QStringLiteral("FILE..."));
        parsed = parser.parse(arguments);
    }

    QString command() const { return parser.positionalArguments().value(0); }
    QStringList files() const { return parser.positionalArguments().mid(1); }

    // The first option given that the command has no use for, as
    // "-o/--output"; empty when there is none.
    QString unusedOption() const;
};

// A name as it is shown in a message.
QString shown(const QString &name);
// The message and a pointer to --help on standard error; returns kBadCommandLine.
int usage(const QString &message);

// --range, or nullopt (reported, `*status` set) when missing or unknown.
std::optional<int> rangeOf(const CommandLine &line, int *status);
// What plot and view draw the file in: --range and --rate (samples a second,
// 0 when not given), or nullopt (reported, `*status` set).
struct Units
{
    int range = 0;
    double rate = 0;
};
std::optional<Units> unitsOf(const CommandLine &line, int *status);
// The file read in `range` (-1: any codes), or nullopt (reported).
std::optional<samplefile::Records> readInput(const QString &file, int range = -1);

int info(const CommandLine &line);
int csv(const CommandLine &line);
int plot(const CommandLine &line);
// Makes the viewer's application itself, once the command line and the file
// are checked.
int view(const CommandLine &line, int &argc, char **argv);

} // namespace datcommands
