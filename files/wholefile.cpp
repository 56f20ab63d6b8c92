#include "files/wholefile.h"

#include "system/file.h"

#include <QRandomGenerator>

namespace {
constexpr int kTemporaryNameTries = 100;

FileError cannotCreate(const FilePath &path, systemfile::Error error)
{
    return FileError(QStringLiteral("无法创建文件 %1：%2").arg(path.shown, reasonText(error)));
}

FileError cannotWrite(const FilePath &path, systemfile::Error error)
{
    return FileError(QStringLiteral("无法写入文件 %1：%2").arg(path.shown, reasonText(error)));
}

// Closes the file; returns 0 or the first failure.
systemfile::Error writeAndClose(systemfile::File &file, const QByteArray &bytes)
{
    systemfile::Error error = systemfile::writeAll(file, bytes.constData(), size_t(bytes.size()));
    if (const systemfile::Error closing = file.close(); error == 0)
        error = closing;
    return error;
}

// Opens a new file under a name of its own beside `target`.
systemfile::Error openBeside(const std::string &target, systemfile::File &file,
                             std::string *temporary)
{
    systemfile::Error error = 0;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        *temporary = target + ".zk61ar-" +
                     QByteArray::number(QRandomGenerator::global()->generate(), 36).toStdString();
        error = systemfile::createNew(*temporary, file);
        if (error != systemfile::kNameTaken)
            return error;
    }
    return error;
}

void replaceWholeFile(const FilePath &path, const QByteArray &bytes)
{
    const std::string name = path.native.toStdString();
    systemfile::Error error = 0;
    const systemfile::Kind kind = systemfile::kindOf(name, &error);
    if (error != 0)
        throw cannotCreate(path, error);
    // A link to nothing is not a regular file either.
    if (kind == systemfile::Kind::Missing && !systemfile::exists(name)) {
        if (!createWholeFile(path, bytes))
            throw cannotCreate(path, systemfile::kNameTaken);
        return;
    }
    if (kind != systemfile::Kind::Regular)
        throw FileError(QStringLiteral("%1 不是普通文件，不会被替换").arg(path.shown));

    // Through a link, the file it points to is the one replaced. The new file
    // is written beside it and takes its place in one step.
    const std::string target = systemfile::realName(name);
    std::string temporary;
    systemfile::File file;
    if (const systemfile::Error opening = openBeside(target, file, &temporary))
        throw cannotCreate(path, opening);
    error = writeAndClose(file, bytes);
    if (error == 0)
        error = systemfile::replace(target, temporary);
    if (error != 0) {
        systemfile::remove(temporary);
        throw cannotWrite(path, error);
    }
}
} // namespace

bool createWholeFile(const FilePath &path, const QByteArray &bytes)
{
    const std::string name = path.native.toStdString();
    systemfile::File file;
    if (const systemfile::Error error = systemfile::createNew(name, file)) {
        if (error == systemfile::kNameTaken)
            return false;
        throw cannotCreate(path, error);
    }
    if (const systemfile::Error error = writeAndClose(file, bytes)) {
        // A half-written file would pass for a whole one; take it away.
        systemfile::remove(name);
        throw cannotWrite(path, error);
    }
    return true;
}

void writeWholeFile(const FilePath &path, const QByteArray &bytes, bool replace)
{
    if (replace)
        replaceWholeFile(path, bytes);
    else if (!createWholeFile(path, bytes))
        throw cannotCreate(path, systemfile::kNameTaken);
}

void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    writeWholeFile(FilePath::fromText(path), bytes, replace);
}

bool isRegularFile(const FilePath &path)
{
    return systemfile::kindOf(path.native.toStdString()) == systemfile::Kind::Regular;
}
