#include "files/wholefile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as for any new file
constexpr int kTemporaryNameTries = 100;

FileError cannotCreate(const FilePath &path, int error)
{
    return FileError(QStringLiteral("无法创建文件 %1：%2").arg(path.shown, errnoText(error)));
}

FileError cannotWrite(const FilePath &path, int error)
{
    return FileError(QStringLiteral("无法写入文件 %1：%2").arg(path.shown, errnoText(error)));
}

// A write can stop short without an error (at a file-size limit, on a full
// disk); writing on brings out the system's reason. Closes the file; returns
// 0 or the errno of the first failure.
int writeAndClose(Descriptor &file, const QByteArray &bytes)
{
    int error = 0;
    for (qsizetype written = 0; written < bytes.size() && error == 0;) {
        const ssize_t n =
            ::write(file.fd(), bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    if (!file.close() && error == 0)
        error = errno;
    return error;
}

// Opens a new file under a name of its own beside `target`.
int openBeside(const QByteArray &target, QByteArray *temporary)
{
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        *temporary =
            target + ".zk61ar-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd =
            ::open(temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void replaceWholeFile(const FilePath &path, const QByteArray &bytes)
{
    struct stat existing;
    if (::stat(path.native.constData(), &existing) != 0) {
        const int error = errno;
        // A link to nothing is not a regular file either.
        if (error == ENOENT && ::lstat(path.native.constData(), &existing) != 0) {
            if (!createWholeFile(path, bytes))
                throw cannotCreate(path, EEXIST);
            return;
        }
        if (error != ENOENT)
            throw cannotCreate(path, error);
    }
    if (!S_ISREG(existing.st_mode))
        throw FileError(QStringLiteral("%1 不是普通文件，不会被替换").arg(path.shown));

    // Through a link, the file it points to is the one replaced. The new file
    // is written beside it and takes its place in one step.
    QByteArray target = path.native;
    if (char *real = ::realpath(path.native.constData(), nullptr)) {
        target = real;
        std::free(real);
    }
    QByteArray temporary;
    Descriptor file(openBeside(target, &temporary));
    if (file.fd() < 0)
        throw cannotCreate(path, errno);
    (void)::fchmod(file.fd(), existing.st_mode & 07777);
    int error = writeAndClose(file, bytes);
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        throw cannotWrite(path, error);
    }
}
} // namespace

bool createWholeFile(const FilePath &path, const QByteArray &bytes)
{
    Descriptor file(::open(path.native.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kNewFileMode));
    if (file.fd() < 0) {
        if (errno == EEXIST)
            return false;
        throw cannotCreate(path, errno);
    }
    if (const int error = writeAndClose(file, bytes)) {
        // A half-written file would pass for a whole one; take it away.
        ::unlink(path.native.constData());
        throw cannotWrite(path, error);
    }
    return true;
}

void writeWholeFile(const FilePath &path, const QByteArray &bytes, bool replace)
{
    if (replace)
        replaceWholeFile(path, bytes);
    else if (!createWholeFile(path, bytes))
        throw cannotCreate(path, EEXIST);
}

void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    writeWholeFile(FilePath::fromText(path), bytes, replace);
}

bool isRegularFile(const FilePath &path)
{
    struct stat status;
    return ::stat(path.native.constData(), &status) == 0 && S_ISREG(status.st_mode);
}
