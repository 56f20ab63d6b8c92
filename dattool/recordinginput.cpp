#include "dattool/recordinginput.h"

#include "dattool/datinput.h"
#include "dattool/datvalues.h"
#include "dattool/textcolumns.h"
#include "files/filepath.h"
#include "logformat/recordingerror.h"
#include "logformat/rowparser.h"

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

std::unique_ptr<logformat::RecordingReader> load(const QString &file)
{
    auto reader = std::make_unique<logformat::RecordingReader>(native(file), readOptions());
    try {
        reader->read();
    } catch (const RecordingError &error) {
        datinput::complain(error);
        return nullptr;
    }
    for (const std::string &note : reader->notes())
        datinput::complain(text(note));
    return reader;
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
        const logformat::Sums sums = r.sums(c, 0, r.rows());
        datvalues::Summary summary;
        summary.lowest = sums.extent.lowest;
        summary.highest = sums.extent.highest;
        summary.count = sums.count;
        summary.sum = sums.sum;
        summary.squares = sums.squares;
        channels << (QStringList{QStringLiteral("  ch%1").arg(channel.channel),
                                 datvalues::rangeName(channel.range)}
                     << datvalues::millivoltFigures(summary, channel.range));
    }
    return QStringLiteral("%1  录制文件（zk61ar-log %2）\n")
               .arg(FilePath::fromText(file).shown, text(h.version)) +
           textcolumns::aligned(rows) + textcolumns::aligned(channels);
}

} // namespace recordinginput
