#include "files/samplefile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace samplefile {

QByteArray encode(const SampleBuffer &buffer)
{
    QByteArray bytes(kFileSize, '\0');
    for (int r = 1; r <= kRecordCount; ++r) {
        const auto value = static_cast<std::uint16_t>(buffer(r));
        bytes[(r - 1) * 2] = static_cast<char>(value & 0xFF);
        bytes[(r - 1) * 2 + 1] = static_cast<char>(value >> 8);
    }
    return bytes;
}

Records decode(const QByteArray &bytes)
{
    Records records{};
    for (int r = 1; r <= kRecordCount; ++r) {
        const auto low = static_cast<std::uint8_t>(bytes.at((r - 1) * 2));
        const auto high = static_cast<std::uint8_t>(bytes.at((r - 1) * 2 + 1));
        records[r - 1] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | high << 8));
    }
    return records;
}

void storeRecords(const Records &records, SampleBuffer &buffer)
{
    for (int r = 1; r <= kRecordCount; ++r)
        buffer(r) = records[r - 1];
}

std::optional<QString> write(const QString &path, const SampleBuffer &buffer)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return QStringLiteral("无法创建文件 %1：%2").arg(path, file.errorString());

    const QByteArray bytes = encode(buffer);
    // A write can stop short without an error (at a file-size limit, on a full
    // disk); writing on brings out the system's reason.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    QString reason = file.errorString();
    file.close();
    if (written == bytes.size()) {
        if (file.error() == QFileDevice::NoError)
            return std::nullopt;
        reason = file.errorString();
    }

    // A half-written file would pass for a measurement; take it away.
    file.remove();
    return QStringLiteral("无法写入文件 %1：%2").arg(path, reason);
}

ReadResult read(const QString &path)
{
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        // A link loop or an over-long name is not a missing file: give the system's reason.
        struct stat status;
        const int reason = ::stat(QFile::encodeName(path).constData(), &status) == 0 ? 0 : errno;
        result.error =
            reason == ENOENT || reason == 0
                ? QStringLiteral("文件 %1 不存在").arg(path)
                : QStringLiteral("无法打开文件 %1：%2").arg(path, qt_error_string(reason));
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("%1 是一个目录，不是数据文件").arg(path);
        return result;
    }
    // A pipe or a device would block the window or never end.
    if (!info.isFile()) {
        result.error = QStringLiteral("%1 不是普通文件，不是数据文件").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("无法打开文件 %1：%2").arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.read(kFileSize);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("无法读取文件 %1：%2").arg(path, file.errorString());
        return result;
    }
    if (bytes.size() < kFileSize) {
        // All at once: a chained arg() would read a "%1" in the name as a placeholder.
        result.error = QStringLiteral("文件 %1 只有 %2 字节，不是完整的数据文件（应为 %3 字节）")
                           .arg(path, QString::number(bytes.size()), QString::number(kFileSize));
        return result;
    }
    result.records = decode(bytes);
    return result;
}

} // namespace samplefile
