#include "files/samplefile.h"

#include "files/wholefile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#endif

namespace samplefile {

namespace {
// Why the system cannot see `path`, in its own words; empty when it is simply
// not there. A link loop or an over-long name is not a missing file.
// qt_error_string() reads errno's codes on Unix and Windows' own error codes on
// Windows, so each system is asked in its own terms.
QString whyNotSeen(const QString &path)
{
#ifdef Q_OS_WIN
    if (GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16())) !=
        INVALID_FILE_ATTRIBUTES)
        return {};
    const DWORD reason = GetLastError();
    const bool missing = reason == ERROR_FILE_NOT_FOUND || reason == ERROR_PATH_NOT_FOUND;
#else
    struct stat status;
    const int reason = ::stat(QFile::encodeName(path).constData(), &status) == 0 ? 0 : errno;
    const bool missing = reason == 0 || reason == ENOENT;
#endif
    return missing ? QString() : qt_error_string(int(reason));
}
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

void write(const QString &path, const SampleBuffer &buffer)
{
    writeWholeFile(path, encode(buffer));
}

Records read(const QString &path, Length length)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        const QString reason = whyNotSeen(path);
        throw FileError(reason.isEmpty() ? QStringLiteral("文件 %1 不存在").arg(path)
                                         : QStringLiteral("无法打开文件 %1：%2").arg(path, reason));
    }
    if (info.isDir())
        throw FileError(QStringLiteral("%1 是一个目录，不是数据文件").arg(path));
    // A pipe or a device would block the window or never end.
    if (!info.isFile())
        throw FileError(QStringLiteral("%1 不是普通文件，不是数据文件").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法打开文件 %1：%2").arg(path, file.errorString()));
    // One byte more than a sample file tells a longer file without reading it all.
    const QByteArray bytes = file.read(kFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取文件 %1：%2").arg(path, file.errorString()));
    // All at once: a chained arg() would read a "%1" in the name as a placeholder.
    if (bytes.size() < kFileSize)
        throw FileError(QStringLiteral("文件 %1 只有 %2 字节，不是完整的数据文件（应为 %3 字节）")
                            .arg(path, QString::number(bytes.size()), QString::number(kFileSize)));
    if (length == Length::Exact && bytes.size() > kFileSize)
        throw FileError(QStringLiteral("文件 %1 有 %2 字节，不是数据文件（应为 %3 字节）")
                            .arg(path, QString::number(file.size()), QString::number(kFileSize)));
    return decode(bytes);
}

} // namespace samplefile
