#include "files/wholefile.h"

#include <QFile>
#include <QSaveFile>

namespace {
// A write can stop short without an error (at a file-size limit, on a full
// disk); writing on brings out the system's reason.
bool writeAll(QFileDevice &file, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

FileError cannotCreate(const QString &path, const QString &reason)
{
    return FileError(QStringLiteral("无法创建文件 %1：%2").arg(path, reason));
}

FileError cannotWrite(const QString &path, const QString &reason)
{
    return FileError(QStringLiteral("无法写入文件 %1：%2").arg(path, reason));
}

void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(path, file.errorString());
    if (!writeAll(file, bytes)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw cannotWrite(path, reason);
    }
    if (!file.commit())
        throw cannotWrite(path, file.errorString());
}
} // namespace

void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    if (replace)
        return replaceFile(path, bytes);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw cannotCreate(path, file.errorString());
    const bool whole = writeAll(file, bytes);
    QString reason = file.errorString();
    file.close();
    if (whole) {
        if (file.error() == QFileDevice::NoError)
            return;
        reason = file.errorString();
    }
    // A half-written file would pass for a whole one; take it away.
    file.remove();
    throw cannotWrite(path, reason);
}
