#include "files/wholefile.h"

#include "system/output.h"

namespace {
// Whether the file was written; false when the name was taken and `replace`
// not given.
bool written(const FilePath &path, const QByteArray &bytes, bool replace)
{
    const os::Outcome outcome = os::writeWhole(path.native.toStdString(), bytes.constData(),
                                               std::size_t(bytes.size()), replace);
    switch (outcome.refusal) {
    case os::Refusal::Exists:
        return false;
    case os::Refusal::NotRegular:
        throw FileError(QStringLiteral("%1 不是普通文件，不会被替换").arg(path.shown));
    case os::Refusal::InUse:
        throw FileError(QStringLiteral("%1 正由另一个程序记录，不会被替换").arg(path.shown));
    case os::Refusal::None:
        break;
    }
    if (outcome.step == os::Outcome::Step::Write)
        throw FileError(
            QStringLiteral("无法写入文件 %1：%2").arg(path.shown, reasonText(outcome.error)));
    if (outcome.error != 0)
        throw FileError(
            QStringLiteral("无法创建文件 %1：%2").arg(path.shown, reasonText(outcome.error)));
    return true;
}
} // namespace

bool createWholeFile(const FilePath &path, const QByteArray &bytes)
{
    return written(path, bytes, false);
}

void writeWholeFile(const FilePath &path, const QByteArray &bytes, bool replace)
{
    if (!written(path, bytes, replace))
        throw FileError(
            QStringLiteral("无法创建文件 %1：%2").arg(path.shown, reasonText(os::kNameTaken)));
}

void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace)
{
    writeWholeFile(FilePath::fromText(path), bytes, replace);
}
