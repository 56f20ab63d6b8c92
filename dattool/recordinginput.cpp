#include "dattool/recordinginput.h"

#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "dattool/textcolumns.h"
#include "files/filepath.h"
#include "logformat/recordingerror.h"
#include "logformat/rowparser.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

namespace recordinginput {

namespace {
std::string native(const QString &file)
{
    const QByteArray bytes = FilePath::fromText(file).native;
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

QString text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

constexpr double kNsPerSecond = 1e9;
// Reading that takes longer than this says how far it has got, this often.
constexpr qint64 kQuietLoadMs = 500;
constexpr qint64 kProgressEveryMs = 250;
// How often a heading still being written is looked at again.
constexpr unsigned long kHeadingWaitMs = 100;
} // namespace

bool isRecording(const QString &file)
{
    return logformat::isRecording(native(file));
}

logformat::ReadOptions readOptions()
{
    logformat::ReadOptions options;
    options.shown = [](const std::string &name) {
        return FilePath::fromText(escapedText(QByteArray(name.data(), qsizetype(name.size()))))
            .shown.toStdString();
    };
    return options;
}

std::unique_ptr<logformat::RecordingReader> load(const QString &file, bool following)
{
    logformat::ReadOptions options = readOptions();
    QElapsedTimer clock;
    clock.start();
    qint64 said = 0;
    const QString name = FilePath::fromText(file).shown;
    options.progress = [&](std::int64_t done, std::int64_t total) {
        if (clock.elapsed() < kQuietLoadMs || clock.elapsed() - said < kProgressEveryMs)
            return;
        said = clock.elapsed();
        std::fprintf(stderr, "\rzk61ar-dat: 正在读取 %s：%3d%%",
                     name.toUtf8().constData(), int(total > 0 ? done * 100 / total : 0));
        std::fflush(stderr);
    };
    auto reader = std::make_unique<logformat::RecordingReader>(native(file), std::move(options));
    try {
        bool waited = false;
        while (!reader->read(following)) {
            if (!waited)
                datinput::complain(QStringLiteral("等待 %1 的表头写完…").arg(name));
            waited = true;
            QThread::msleep(kHeadingWaitMs);
        }
    } catch (const RecordingError &error) {
        if (said > 0)
            std::fputc('\n', stderr);
        datinput::complain(error);
        return nullptr;
    }
    if (said > 0)
        std::fprintf(stderr, "\rzk61ar-dat: 已读取 %s：100%%\n", name.toUtf8().constData());
    for (const std::string &note : reader->notes())
        datinput::complain(text(note));
    return reader;
}

QStringList channelFigures(const logformat::Recording &recording, int channel, std::int64_t first,
                           std::int64_t end)
{
    return channelFigures(recording.sums(channel, first, end),
                          recording.heading().channels[std::size_t(channel)].range);
}

QStringList channelFigures(const logformat::Sums &sums, int range)
{
    datvalues::Summary summary;
    summary.lowest = sums.extent.lowest;
    summary.highest = sums.extent.highest;
    summary.count = sums.count;
    summary.sum = sums.sum;
    summary.squares = sums.squares;
    return datvalues::millivoltFigures(summary, range);
}

QString infoText(const QString &file, const logformat::RecordingReader &reader)
{
    const logformat::Recording &r = reader.recording();
    const logformat::Heading &h = r.heading();
    const std::vector<std::string> files = reader.shownFiles();
    const std::int64_t ns = r.timeNs(r.rows() - 1) - r.timeNs(0);
    const double seconds = double(ns) / kNsPerSecond;
    QString duration = text(logformat::secondsText(ns)) + QStringLiteral(" s");
    if (seconds >= 60) {
        const auto whole = qint64(seconds);
        duration += QStringLiteral("（%1:%2:%3）")
                        .arg(whole / 3600)
                        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(whole % 60, 2, 10, QLatin1Char('0'));
    }
    QString measured = QStringLiteral("—");
    if (r.rows() > 1 && seconds > 0)
        measured = QStringLiteral("%1 次/s").arg(double(r.rows() - 1) / seconds, 0, 'f', 3);
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("  开始"), text(h.start) + QStringLiteral("（UTC）")};
    if (files.size() > 1)
        rows << QStringList{QStringLiteral("  文件"),
                            QStringLiteral("%1 … %2（%3 个分段）")
                                .arg(text(files.front()), text(files.back()))
                                .arg(files.size())};
    rows << QStringList{QStringLiteral("  时长"), duration}
         << QStringList{QStringLiteral("  行数"), QString::number(r.rows())}
         << QStringList{QStringLiteral("  超时跳过"), QStringLiteral("%1 次").arg(r.skipped())}
         << QStringList{QStringLiteral("  采样率"),
                        QStringLiteral("设定 %1，实测 %2")
                            .arg(h.rateText == logformat::kRateMax
                                     ? QStringLiteral("max")
                                     : text(h.rateText) + QStringLiteral(" 次/s"),
                                 measured)};
    QList<QStringList> channels;
    for (int c = 0; c < r.channels(); ++c) {
        const logformat::ChannelRange &channel = h.channels[std::size_t(c)];
        channels << (QStringList{QStringLiteral("  ch%1").arg(channel.channel),
                                 datvalues::rangeName(channel.range)}
                     << channelFigures(r, c, 0, r.rows()));
    }
    return QStringLiteral("%1  录制文件（zk61ar-log %2）\n")
               .arg(FilePath::fromText(file).shown, text(h.version)) +
           textcolumns::aligned(rows) + textcolumns::aligned(channels);
}

} // namespace recordinginput
