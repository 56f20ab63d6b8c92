#include "dattool/standardoutput.h"

#include "dattool/commandline.h"
#include "dattool/datinput.h"
#include "files/wholefile.h"
#include "system/output.h"

namespace datcommands {

namespace {
bool g_stdoutClosed = false;
} // namespace

void holdStandardStreams()
{
    g_stdoutClosed = os::holdClosedStandardStreams();
}

bool writeStdout(const QByteArray &bytes)
{
    os::File out;
    os::takeStandardOutput(out);
    if (const os::Error error = os::writeAll(out, bytes.constData(), std::size_t(bytes.size()))) {
        datinput::complain(g_stdoutClosed
                               ? QStringLiteral("标准输出已关闭，无处可写")
                               : QStringLiteral("无法写入标准输出：%1").arg(reasonText(error)));
        return false;
    }
    return true;
}

// A converted file appears whole (system/output.h): a reader never takes half
// of one for all of it, and one replaced stays as it was until then.
bool writeOutput(const QString &path, const QByteArray &bytes, bool force, const QString &context)
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

bool outputAllowed(const QString &target, bool force)
{
    if (target == kStdout)
        return true;
    const FilePath path = FilePath::fromText(target);
    const os::Refusal refusal = os::refusalOf(path.native.toStdString(), force);
    if (refusal == os::Refusal::None)
        return true;
    datinput::complain(QString::fromStdString(os::refusalText(refusal, path.shown.toStdString())));
    return false;
}

} // namespace datcommands
