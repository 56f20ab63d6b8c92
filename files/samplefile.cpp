#include "files/samplefile.h"

#include "files/samplefilename.h"
#include "files/wholefile.h"
#include "system/file.h"

namespace samplefile {

namespace {
// Enough for every Save of one minute, with room for other programs' files.
constexpr int kNameTries = 1000;
} // namespace

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

QString writeNew(const QString &name, const QString &chosen, const SampleBuffer &buffer)
{
    const QByteArray bytes = encode(buffer);
    QString candidate = chosen;
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        if (createWholeFile(FilePath::fromText(candidate), bytes))
            return candidate;
        candidate = firstFreeFileName(QDir::current(), name);
    }
    throw FileError(QStringLiteral("无法创建文件 %1：其后的名字都已被占用").arg(name));
}

Records read(const FilePath &path, Length length)
{
    const std::string name = path.native.toStdString();
    os::Error reason = 0;
    const os::Kind kind = os::kindOf(name, &reason);
    if (kind == os::Kind::Missing)
        throw FileError(QStringLiteral("文件 %1 不存在").arg(path.shown));
    // A link loop or an over-long name is not a missing file: give the system's reason.
    if (reason != 0)
        throw FileError(QStringLiteral("无法打开文件 %1：%2").arg(path.shown, reasonText(reason)));
    if (kind == os::Kind::Folder)
        throw FileError(QStringLiteral("%1 是一个目录，不是数据文件").arg(path.shown));
    // A pipe or a device would block the window or never end. Opened without
    // waiting, so one put in the file's place after the look is refused too.
    const auto notPlain = [&] {
        return FileError(QStringLiteral("%1 不是普通文件，不是数据文件").arg(path.shown));
    };
    if (kind != os::Kind::Regular)
        throw notPlain();
    os::File file;
    if (const os::Error error = os::openForReading(name, file))
        throw FileError(QStringLiteral("无法打开文件 %1：%2").arg(path.shown, reasonText(error)));
    std::int64_t size = 0;
    if (os::kindOf(file, &size) != os::Kind::Regular)
        throw notPlain();
    // One byte more than a sample file tells a longer file without reading it all.
    QByteArray bytes(kFileSize + 1, Qt::Uninitialized);
    std::size_t got = 0;
    if (const os::Error error = os::readUpTo(file, bytes.data(), size_t(bytes.size()), &got))
        throw FileError(QStringLiteral("无法读取文件 %1：%2").arg(path.shown, reasonText(error)));
    bytes.truncate(qsizetype(got));
    // All at once: a chained arg() would read a "%1" in the name as a placeholder.
    if (bytes.size() < kFileSize)
        throw FileError(
            QStringLiteral("文件 %1 只有 %2 字节，不是完整的数据文件（应为 %3 字节）")
                .arg(path.shown, QString::number(bytes.size()), QString::number(kFileSize)));
    if (length == Length::Exact && bytes.size() > kFileSize)
        throw FileError(QStringLiteral("文件 %1 有 %2 字节，不是数据文件（应为 %3 字节）")
                            .arg(path.shown, QString::number(size), QString::number(kFileSize)));
    return decode(bytes);
}

Records read(const QString &path, Length length)
{
    return read(FilePath::fromText(path), length);
}

} // namespace samplefile
