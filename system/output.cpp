#include "system/output.h"

#include <random>

namespace os {

namespace {
constexpr int kTemporaryNameTries = 100;

Outcome refused(Refusal refusal)
{
    Outcome outcome;
    outcome.refusal = refusal;
    return outcome;
}

Outcome failed(Outcome::Step step, Error error)
{
    Outcome outcome;
    outcome.step = step;
    outcome.error = error;
    return outcome;
}

// A name of its own beside `target`, as random as the name of any other
// program's temporary file there, so that the two never meet.
std::string besideName(const std::string &target)
{
    thread_local std::mt19937 generator{std::random_device{}()};
    std::string suffix;
    for (unsigned long n = generator(); n != 0 || suffix.empty(); n /= 36)
        suffix.insert(suffix.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36]);
    return target + ".zk61ar-" + suffix;
}

// Closes the file; returns 0 or the first failure.
Error writeAndClose(File &file, const char *bytes, std::size_t size)
{
    Error error = writeAll(file, bytes, size);
    if (const Error closing = file.close(); error == 0)
        error = closing;
    return error;
}

Outcome createWhole(const std::string &name, const char *bytes, std::size_t size, bool force)
{
    File file;
    if (const Error error = createNew(name, file)) {
        // With --force a name taken here held no regular file: a link to
        // nothing, or what another program put there since it was looked at.
        if (error == kNameTaken)
            return refused(force ? Refusal::NotRegular : Refusal::Exists);
        return failed(Outcome::Step::Create, error);
    }
    if (const Error error = writeAndClose(file, bytes, size)) {
        // A half-written file would pass for a whole one; take it away.
        remove(name);
        return failed(Outcome::Step::Write, error);
    }
    return {};
}
} // namespace

Refusal refusalOf(const std::string &name, bool force)
{
    Error error = 0;
    const Kind kind = kindOf(name, &error);
    if (kind == Kind::Missing && !exists(name))
        return Refusal::None;
    if (kind == Kind::Regular && isLockedForWriting(name))
        return Refusal::InUse;
    if (!force)
        return Refusal::Exists;
    return kind == Kind::Regular && error == 0 ? Refusal::None : Refusal::NotRegular;
}

std::string refusalText(Refusal refusal, const std::string &shown)
{
    switch (refusal) {
    case Refusal::Exists:
        return "输出文件 " + shown + " 已存在；加 --force 才会替换";
    case Refusal::NotRegular:
        return "输出文件 " + shown + " 不是普通文件；--force 只替换普通文件";
    case Refusal::InUse:
        return "输出文件 " + shown + " 正由另一个程序记录（已锁定）；加 --force 也不会替换";
    case Refusal::None:
        break;
    }
    return std::string();
}

std::string missingFolderText(const std::string &shown)
{
    return "输出目录 " + shown + " 不存在或不是目录";
}

Outcome writeWhole(const std::string &name, const char *bytes, std::size_t size, bool force)
{
    if (isLockedForWriting(name))
        return refused(Refusal::InUse);
    if (!force)
        return createWhole(name, bytes, size, force);
    Error error = 0;
    const Kind kind = kindOf(name, &error);
    if (error != 0)
        return failed(Outcome::Step::Create, error);
    if (kind == Kind::Missing)
        return createWhole(name, bytes, size, force);
    if (kind != Kind::Regular)
        return refused(Refusal::NotRegular);

    // Through a link, the file it points to is the one replaced.
    const std::string target = realName(name);
    std::string temporary;
    File file;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporary = besideName(target);
        error = createNew(temporary, file);
        if (error != kNameTaken)
            break;
    }
    if (error != 0)
        return failed(Outcome::Step::Create, error);
    error = writeAndClose(file, bytes, size);
    if (error == 0)
        error = replace(target, temporary);
    if (error != 0) {
        remove(temporary);
        return failed(Outcome::Step::Write, error);
    }
    return {};
}

Outcome createGrowing(const std::string &name, bool force, File &file)
{
    if (isLockedForWriting(name))
        return refused(Refusal::InUse);
    if (force) {
        const Error opening = openForWriting(name, file);
        if (opening == kInUse)
            return refused(Refusal::InUse);
        if (opening == 0) {
            std::int64_t size = 0;
            if (kindOf(file, &size) != Kind::Regular) {
                file.close();
                return refused(Refusal::NotRegular);
            }
            if (lockForWriting(file) == kInUse) {
                file.close();
                return refused(Refusal::InUse);
            }
            if (const Error error = cutBack(file, 0)) {
                file.close();
                return failed(Outcome::Step::Empty, error);
            }
            return {};
        }
        // A folder or a device may not open for writing at all.
        switch (kindOf(name)) {
        case Kind::Missing:
            break;
        case Kind::Regular:
            return failed(Outcome::Step::Open, opening);
        default:
            return refused(Refusal::NotRegular);
        }
    }
    if (const Error error = createNew(name, file)) {
        if (error == kNameTaken)
            return refused(force ? Refusal::NotRegular : Refusal::Exists);
        return failed(Outcome::Step::Create, error);
    }
    // Another recording that opened it since, with --force, holds it now.
    if (lockForWriting(file) == kInUse) {
        file.close();
        return refused(Refusal::InUse);
    }
    return {};
}

} // namespace os
