#include "dattool/commands.h"

#include "dattool/datinput.h"
#include "dattool/datplot.h"
#include "dattool/datvalues.h"
#include "dattool/datviewer.h"
#include "dattool/recordinginput.h"
#include "dattool/recordplot.h"
#include "dattool/textcolumns.h"
#include "files/systemfile.h"
#include "files/wholefile.h"
#include "print/systemprinter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace datcommands {

namespace {
constexpr int kBadInput = 1;
constexpr int kBadCommandLine = 2;
constexpr int kMaxScale = 16;
const QString kStdout = QStringLiteral("-");

bool g_stdoutClosed = false;
volatile std::sig_atomic_t g_stopSignal = 0;
QStringList g_heldMessages;

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
    QCommandLineOption rate{QStringLiteral("rate"),
                            QStringLiteral("plot、view：记录时的采样率（次/秒），横轴以秒标注。"),
                            QStringLiteral("hz")};
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
        parser.addOptions({help, version, range, output, dir, scale, force, axes, rate});
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("info、csv、plot 或 view。"));
        parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral(".dat 文件。"),
                                     QStringLiteral("FILE..."));
        parsed = parser.parse(arguments);
    }

    QString command() const { return parser.positionalArguments().value(0); }
    QStringList files() const { return parser.positionalArguments().mid(1); }
};

QString shown(const QString &name)
{
    return FilePath::fromText(name).shown;
}

int usage(const QString &message)
{
    datinput::complain(message + QStringLiteral("（见 --help）"));
    return kBadCommandLine;
}

// A standard stream that was closed is taken by /dev/null, read-only, so that
// no file opened later takes its number (an output would land on stdout,
// messages in a file) and a write to it fails. On Windows files/ and Qt open
// handles, not descriptors, so nothing takes a stream's number there; standard
// output is switched to bytes as they are, no \n made \r\n (a PNG on -o -).
void holdStandardStreams()
{
#ifdef Q_OS_WIN
    if (_fileno(stdout) >= 0)
        _setmode(_fileno(stdout), _O_BINARY);
#else
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == STDOUT_FILENO)
            g_stdoutClosed = true;
        // The lowest free number: this one, as the lower ones are open.
        const int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd)
            ::close(held);
    }
#endif
}

// The C library's words for its errno: qt_error_string() reads Windows' own
// codes on Windows.
QString errnoText(int error)
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(std::strerror(error));
#else
    return qt_error_string(error);
#endif
}

bool writeStdout(const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n =
            ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0) {
            written += n;
        } else if (n == 0 || errno != EINTR) {
            datinput::complain(
                g_stdoutClosed
                    ? QStringLiteral("标准输出已关闭，无处可写")
                    : QStringLiteral("无法写入标准输出：%1").arg(errnoText(n == 0 ? EIO : errno)));
            return false;
        }
    }
    return true;
}

// Writes `bytes` whole to `path`, or to standard output for "-"; a failure is
// reported, with `context` after the reason.
bool deliver(const QString &path, const QByteArray &bytes, bool force,
             const QString &context = QString())
{
    if (path == kStdout)
        return writeStdout(bytes);
    try {
        writeWholeFile(FilePath::fromText(path), bytes, force);
        return true;
    } catch (const FileError &error) {
        datinput::complain(error, context);
        return false;
    }
}

// Refuses, before any output is written, an output that exists without
// --force, and with it anything but a regular file (a pipe, a device, a
// folder).
bool outputFree(const QString &target, bool force)
{
    const FilePath path = FilePath::fromText(target);
    if (target == kStdout || !systemfile::exists(path.native.toStdString()))
        return true;
    if (!force)
        datinput::complain(
            QStringLiteral("输出文件 %1 已存在；加 --force 才会替换").arg(path.shown));
    else if (!isRegularFile(path))
        datinput::complain(
            QStringLiteral("输出文件 %1 不是普通文件；--force 只替换普通文件").arg(path.shown));
    else
        return true;
    return false;
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
            QStringLiteral("未知量程 %1（可用 0-5V、±5V、0-10V、±10V 或 0..3）").arg(shown(name)));
        *status = kBadInput;
    }
    return range;
}

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

std::optional<samplefile::Records> loaded(const QString &file, int range = -1)
{
    try {
        return datinput::load(file, range);
    } catch (const FileError &error) {
        datinput::complain(error);
        return std::nullopt;
    }
}

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

// SIGTERM, SIGINT and SIGHUP (on Windows SIGBREAK, Ctrl-Break) while outputs
// are made stop the run between two outputs, so that none is left
// half-written: one begun is written whole, the finished ones stay. The run
// then says how far it got and ends by the same signal.
class StopSignals
{
public:
#ifdef Q_OS_WIN
    // Windows has no sigaction: signal(), which tells the action it replaced.
    StopSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            m_inherited[i] = std::signal(kSignals[i], onStopSignal);
            if (m_inherited[i] == SIG_IGN)
                std::signal(kSignals[i], SIG_IGN);
        }
    }
    ~StopSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            std::signal(kSignals[i], m_inherited[i]);
    }
#else
    StopSignals()
    {
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            ::sigaction(kSignals[i], nullptr, &m_inherited[i]);
            // One ignored by whoever started the tool (nohup) stays ignored.
            if (m_inherited[i].sa_handler != SIG_IGN)
                ::sigaction(kSignals[i], &action, nullptr);
        }
    }
    ~StopSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_inherited[i], nullptr);
    }
#endif

    bool caught() const
    {
        return g_stopSignal != 0;
    }

    // After `done` of `total` outputs.
    [[noreturn]] void end(int done, int total) const
    {
        const int signal = g_stopSignal;
        const char *name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : kThirdName;
        datinput::complain(
            QStringLiteral("收到 %1，已停止：已写完 %2 个输出，共 %3 个")
                .arg(QLatin1String(name), QString::number(done), QString::number(total)));
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        std::_Exit(128 + signal);
    }

private:
#ifdef Q_OS_WIN
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGBREAK};
    static constexpr const char *kThirdName = "SIGBREAK";
    void (*m_inherited[std::size(kSignals)])(int) = {};
#else
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    static constexpr const char *kThirdName = "SIGHUP";
    struct sigaction m_inherited[std::size(kSignals)] = {};
#endif
};

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
        const std::optional<samplefile::Records> records = loaded(file, range.value_or(-1));
        if (!records) {
            status = kBadInput;
            continue;
        }
        const datvalues::Summary summary = datvalues::summarize(*records);
        rows << QStringList{shown(file), QStringLiteral("%1 字节").arg(samplefile::kFileSize),
                            summary.ranges.isEmpty() ? QStringLiteral("不是数据文件")
                                                     : QStringLiteral("数据文件"),
                            datvalues::summaryText(summary)};
        if (range)
            rows.back() << datvalues::millivoltFigures(summary, *range).join(QStringLiteral("  "));
    }
    out += textcolumns::aligned(rows);
    if (!out.isEmpty() && !writeStdout(out.toUtf8()))
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
    if (toDir && systemfile::kindOf(FilePath::fromText(dir).native.toStdString()) !=
                     systemfile::Kind::Folder) {
        datinput::complain(QStringLiteral("输出目录 %1 不存在或不是目录").arg(shown(dir)));
        return kBadInput;
    }
    const StopSignals stop;
    // Every input is read and every output checked before anything is
    // written; then each output is made and written at once, so the run holds
    // one output at a time, however many inputs it has.
    QStringList targets;
    for (const QString &file : files) {
        if (stop.caught())
            stop.end(0, int(files.size()));
        const QString target =
            toDir ? QDir(dir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".csv"))
            : toFile ? line.parser.value(line.output)
                     : kStdout;
        if (!loaded(file, *range))
            return kBadInput;
        if (targets.contains(target)) {
            datinput::complain(QStringLiteral("文件 %1 与另一个输入写到同一个 %2")
                                   .arg(shown(file), shown(target)));
            return kBadInput;
        }
        if (!outputFree(target, force))
            return kBadInput;
        targets << target;
    }
    const int total = int(files.size());
    for (int done = 0; done < total; ++done) {
        // An input changed since it was checked is refused when it is met.
        const std::optional<samplefile::Records> records = loaded(files[done], *range);
        if (!records)
            return kBadInput;
        const QByteArray bytes = datvalues::csv(*records, *range);
        if (stop.caught())
            stop.end(done, total);
        const QString progress =
            total > 1 ? QStringLiteral("（已写完 %1 个输出，共 %2 个）").arg(done).arg(total)
                      : QString();
        if (!deliver(targets[done], bytes, force, progress))
            return kBadInput;
    }
    if (stop.caught())
        stop.end(total, total);
    return 0;
}

// Writes plot's one output whole; a stop signal before or while it is
// written ends the run after it.
int deliverOne(const StopSignals &stop, const QString &target, const QByteArray &bytes, bool force)
{
    if (stop.caught())
        stop.end(0, 1);
    const bool written = deliver(target, bytes, force);
    if (stop.caught())
        stop.end(written ? 1 : 0, 1);
    return written ? 0 : kBadInput;
}

// The strip chart of a whole recording, from its min/max levels.
int plotRecording(const QString &file, const QString &target, bool pdf, int scale, bool axes,
                  bool force)
{
    const StopSignals stop;
    const std::unique_ptr<logformat::RecordingReader> reader = recordinginput::load(file);
    if (!reader || !outputFree(target, force))
        return kBadInput;
    recordplot::Chart chart;
    chart.title = shown(file);
    chart.span = logformat::wholeSpan(reader->recording());
    chart.axes = axes;
    chart.scale = scale;
    const QByteArray bytes = pdf ? recordplot::pdf(reader->recording(), chart)
                                 : recordplot::png(reader->recording(), chart);
    return deliverOne(stop, target, bytes, force);
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
        return usage(QStringLiteral("输出文件 %1 须以 .png 或 .pdf 结尾").arg(shown(target)));
    bool numeric = false;
    const int scale = line.parser.value(line.scale).toInt(&numeric);
    if (!numeric || scale < 1 || scale > kMaxScale)
        return usage(QStringLiteral("--scale 须为 1..%1 的整数").arg(kMaxScale));
    const std::optional<double> rate = rateOf(line);
    if (!rate)
        return kBadCommandLine;
    const bool force = line.parser.isSet(line.force);
    const bool pdf = suffix == QLatin1String("pdf");
    if (recordinginput::isRecording(files.constFirst())) {
        if (line.parser.isSet(line.rate) || line.parser.isSet(line.range))
            return usage(QStringLiteral("录制文件带着自己的时间和量程，不用 --rate 或 --range"));
        return plotRecording(files.constFirst(), target, pdf, scale, line.parser.isSet(line.axes),
                             force);
    }
    int status = 0;
    const std::optional<int> range = rangeOf(line, &status);
    if (!range)
        return status;

    const StopSignals stop;
    const std::optional<samplefile::Records> records = loaded(files.constFirst(), *range);
    if (!records || !outputFree(target, force))
        return kBadInput;
    datplot::View view;
    view.range = *range;
    view.rate = *rate;
    view.axes = line.parser.isSet(line.axes);
    const datplot::Figure figure = datplot::figure(*records, view);
    const QByteArray bytes = pdf ? datplot::pdf(figure) : datplot::png(figure, scale);
    return deliverOne(stop, target, bytes, force);
}

// What keeps the viewer from a display, as far as the environment tells.
QString displayProblem()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!platform.isEmpty())
        return QStringLiteral("QT_QPA_PLATFORM=%1 无法使用").arg(platform);
    if (display.isEmpty() && wayland.isEmpty())
        return QStringLiteral("没有设置 DISPLAY 或 WAYLAND_DISPLAY");
    return QStringLiteral("无法连接显示 %1").arg(display.isEmpty() ? wayland : display);
}

// The viewer's application. Without a display Qt ends the program with an
// abort and lines about its platform plugins; one line says what is missing
// instead. Messages from finding the platform are held until it is found.
std::unique_ptr<QApplication> guiApplication(int &argc, char **argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtFatalMsg) {
                g_heldMessages << qFormatLogMessage(type, context, message);
                return;
            }
            datinput::complain(QStringLiteral("view 需要图形显示：%1").arg(displayProblem()));
            std::_Exit(kBadInput);
        });
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &message : std::as_const(g_heldMessages))
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return app;
}

// The command line and the file are checked before the window system is
// reached, so a mistake is reported the same with and without a display.
int view(const CommandLine &line, int &argc, char **argv)
{
    const QStringList files = line.files();
    if (files.size() != 1)
        return usage(QStringLiteral("view 需要正好一个文件"));
    const std::optional<double> rate = rateOf(line);
    if (!rate)
        return kBadCommandLine;
    int status = 0;
    const std::optional<int> range = rangeOf(line, &status);
    if (!range)
        return status;
    const std::optional<samplefile::Records> records = loaded(files.constFirst(), *range);
    if (!records)
        return kBadInput;
    const std::unique_ptr<QApplication> app = guiApplication(argc, argv);
    DatViewer viewer(shown(files.constFirst()), *records, *range, std::make_shared<SystemPrinter>(),
                     *rate);
    viewer.show();
    return QApplication::exec();
}
} // namespace

int run(int &argc, char **argv)
{
    holdStandardStreams();
    // Over a file-size limit a write should fail and be reported, and its
    // partial file removed, as in the window; not end the tool halfway.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << escapedText(QByteArray(argv[i]));
    const CommandLine line(arguments);
    const bool help = line.parsed && line.parser.isSet(line.help);
    const bool version = line.parsed && line.parser.isSet(line.version);
    if (line.parsed && !help && !version && line.command() == QLatin1String("view"))
        return view(line, argc, argv);

    // The axes' labels need fonts, which only a GUI application has; drawn
    // off any screen, so that plot needs no display.
    std::unique_ptr<QCoreApplication> app;
    if (line.parsed && line.parser.isSet(line.axes)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (!line.parsed)
        return usage(line.parser.errorText());
    if (help)
        return writeStdout(line.parser.helpText().toUtf8()) ? 0 : kBadInput;
    if (version)
        return writeStdout((QCoreApplication::applicationName() + QLatin1Char(' ') +
                            QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                               .toUtf8())
                   ? 0
                   : kBadInput;
    const QString command = line.command();
    if (command == QLatin1String("info"))
        return info(line);
    if (command == QLatin1String("csv"))
        return csv(line);
    if (command == QLatin1String("plot"))
        return plot(line);
    return usage(command.isEmpty() ? QStringLiteral("缺少命令")
                                   : QStringLiteral("未知命令 %1").arg(shown(command)));
}

} // namespace datcommands
