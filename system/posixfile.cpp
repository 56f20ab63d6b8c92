// Files on Linux and other POSIX systems.
#include "system/file.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {
constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as for any new file

int fd(const File &file)
{
    return int(file.handle());
}

Kind kindOfMode(mode_t mode)
{
    return S_ISREG(mode) ? Kind::Regular : S_ISDIR(mode) ? Kind::Folder : Kind::Other;
}

// The language the environment names for messages, with text in UTF-8; made
// once, apart from the locale the program uses (Qt sets the environment's,
// zk61ar-log keeps the C locale). Null when the system has no such locale.
locale_t messagesLocale()
{
    static const locale_t locale = [] {
        const locale_t messages = newlocale(LC_MESSAGES_MASK, "", locale_t(nullptr));
        const locale_t base = messages ? messages : newlocale(LC_MESSAGES_MASK, "C", nullptr);
        const locale_t utf8 = base ? newlocale(LC_CTYPE_MASK, "C.UTF-8", base) : nullptr;
        return utf8 ? utf8 : base;
    }();
    return locale;
}
} // namespace

const Error kNameTaken = EEXIST;

std::string errorText(Error error)
{
    const locale_t locale = messagesLocale();
    return locale ? strerror_l(error, locale) : std::strerror(error);
}

Kind kindOf(const std::string &name, Error *error)
{
    struct stat status;
    if (::stat(name.c_str(), &status) == 0)
        return kindOfMode(status.st_mode);
    if (errno == ENOENT)
        return Kind::Missing;
    if (error)
        *error = errno;
    return Kind::Other;
}

bool exists(const std::string &name)
{
    struct stat status;
    return ::lstat(name.c_str(), &status) == 0;
}

std::string folderOf(const std::string &name)
{
    const std::size_t slash = name.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

namespace {
FileId idOf(const struct stat &status)
{
    return {true, std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}
} // namespace

FileId fileId(const std::string &name)
{
    struct stat status;
    return ::stat(name.c_str(), &status) == 0 ? idOf(status) : FileId();
}

FileId standardOutputId()
{
    struct stat status;
    return ::fstat(STDOUT_FILENO, &status) == 0 ? idOf(status) : FileId();
}

Error File::close()
{
    if (!isOpen())
        return 0;
    const int descriptor = int(m_handle);
    m_handle = kClosed;
    if (!m_owned)
        return 0;
    return ::close(descriptor) == 0 || errno == EINTR ? 0 : errno;
}

bool holdClosedStandardStreams()
{
    bool outputClosed = false;
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        outputClosed = outputClosed || descriptor == STDOUT_FILENO;
        // The lowest free number: this one, as the lower ones are open.
        const int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != descriptor)
            ::close(held);
    }
    return outputClosed;
}

void failWritesOverFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void takeStandardOutput(File &file)
{
    file.take(STDOUT_FILENO, false);
}

void takeStandardError(File &file)
{
    file.take(STDERR_FILENO, false);
}

bool isTerminal(const File &file)
{
    return ::isatty(fd(file)) == 1;
}

Error createNew(const std::string &name, File &file)
{
    const int descriptor =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kNewFileMode);
    if (descriptor < 0)
        return errno;
    file.take(descriptor);
    return 0;
}

Error openForReading(const std::string &name, File &file)
{
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    file.take(descriptor);
    return 0;
}

Error openForWriting(const std::string &name, File &file)
{
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return errno;
    file.take(descriptor);
    // Writes wait for the disk again, as any file's do.
    if (::fcntl(descriptor, F_SETFL, 0) != 0) {
        const Error error = errno;
        file.close();
        return error;
    }
    return 0;
}

Kind kindOf(const File &file, std::int64_t *size)
{
    struct stat status;
    if (::fstat(fd(file), &status) != 0)
        return Kind::Other;
    *size = status.st_size;
    return kindOfMode(status.st_mode);
}

// A write can stop short without an error (at a file-size limit, on a full
// disk); writing on brings out the system's reason.
Error writeAll(File &file, const char *bytes, std::size_t size)
{
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = ::write(fd(file), bytes + written, size - written);
        if (n > 0)
            written += std::size_t(n);
        else if (n == 0 || errno != EINTR)
            return n == 0 ? EIO : errno;
    }
    return 0;
}

namespace {

// Reads until `size` bytes are in or the file ends, through `readSome`
// (read(2) or pread(2) at the offset reached), taking interrupted calls again.
template <typename ReadSome>
Error readFully(std::size_t size, std::size_t *got, ReadSome readSome)
{
    *got = 0;
    while (*got < size) {
        const ssize_t n = readSome(*got);
        if (n == 0)
            break;
        if (n > 0)
            *got += std::size_t(n);
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace

Error readUpTo(File &file, char *buffer, std::size_t size, std::size_t *got)
{
    return readFully(size, got, [&](std::size_t done) {
        return ::read(fd(file), buffer + done, size - done);
    });
}

std::int64_t writePosition(const File &file)
{
    struct stat status;
    if (::fstat(fd(file), &status) != 0)
        return 0;
    return ::fcntl(fd(file), F_GETFL) & O_APPEND ? status.st_size : ::lseek(fd(file), 0, SEEK_CUR);
}

Error cutBack(File &file, std::int64_t size)
{
    return ::ftruncate(fd(file), off_t(size)) == 0 && ::lseek(fd(file), off_t(size), SEEK_SET) >= 0
               ? 0
               : errno;
}

Error sync(File &file)
{
    return ::fdatasync(fd(file)) == 0 ? 0 : errno;
}

Error readAt(File &file, std::int64_t offset, char *buffer, std::size_t size, std::size_t *got)
{
    return readFully(size, got, [&](std::size_t done) {
        return ::pread(fd(file), buffer + done, size - done, off_t(offset + std::int64_t(done)));
    });
}

Writers writersOf(File &file, const std::string &)
{
#ifdef F_SETLEASE
    // A lease broken while held would be told by SIGIO, which ends a program
    // that does not catch it: SIGURG instead, which nothing else here uses
    // and whose default is to be ignored. The lease is held for two calls.
    if (::fcntl(fd(file), F_SETSIG, SIGURG) != 0)
        return Writers::Unknown;
    if (::fcntl(fd(file), F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd(file), F_SETLEASE, F_UNLCK);
        return Writers::None;
    }
    // EAGAIN: open for writing somewhere. Anything else (a file of another
    // user, a file system without leases) says nothing.
    return errno == EAGAIN ? Writers::Some : Writers::Unknown;
#else
    (void)file;
    return Writers::Unknown;
#endif
}

namespace {
#ifdef F_OFD_SETLK
// Held by the open file, not the process: closing another descriptor of the
// same file never drops it, and two opens in one process meet it too.
constexpr int kSetLock = F_OFD_SETLK, kGetLock = F_OFD_GETLK;
#else
constexpr int kSetLock = F_SETLK, kGetLock = F_GETLK;
#endif

struct flock wholeFileLock()
{
    struct flock lock
    {
    };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET; // from 0 to the end, however far it grows
    return lock;
}
} // namespace

const Error kInUse = EAGAIN;

Error lockForWriting(File &file)
{
    struct flock lock = wholeFileLock();
    if (::fcntl(fd(file), kSetLock, &lock) == 0)
        return 0;
    return errno == EAGAIN || errno == EACCES ? kInUse : 0;
}

bool isLockedForWriting(const std::string &name)
{
    // Only a regular file is opened to look: opening a pipe for reading would
    // meet a writer that waits for one.
    File file;
    if (kindOf(name) != Kind::Regular || openForReading(name, file) != 0)
        return false;
    struct flock lock = wholeFileLock();
    return ::fcntl(fd(file), kGetLock, &lock) == 0 && lock.l_type != F_UNLCK;
}

Error namesIn(const std::string &folder, std::vector<std::string> *names)
{
    DIR *const dir = ::opendir(folder.c_str());
    if (!dir)
        return errno;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names->push_back(name);
    }
    const Error error = errno;
    ::closedir(dir);
    return error;
}

void remove(const std::string &name)
{
    ::unlink(name.c_str());
}

std::string realName(const std::string &name)
{
    std::string real = name;
    if (char *resolved = ::realpath(name.c_str(), nullptr)) {
        real = resolved;
        std::free(resolved);
    }
    return real;
}

Error replace(const std::string &target, const std::string &replacement)
{
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0)
        (void)::chmod(replacement.c_str(), existing.st_mode & 07777);
    return ::rename(replacement.c_str(), target.c_str()) == 0 ? 0 : errno;
}

} // namespace os
