#include "dattool/standardoutput.h"

#include "dattool/commandline.h"
#include "dattool/datinput.h"
#include "system/file.h"
#include "files/wholefile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace datcommands {

namespace {
bool g_stdoutClosed = false;

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
} // namespace

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

bool deliver(const QString &path, const QByteArray &bytes, bool force, const QString &context)
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

} // namespace datcommands
