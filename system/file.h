#pragma once
// Files as the operating system keeps them, for every program: posixfile.cpp on
// Linux, windowsfile.cpp on Windows (through the wide API). Names are the bytes
// the system takes, on Windows UTF-8. A failure is the system's own code, errno
// or GetLastError(), 0 for none; errorText() gives its words.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os {

using Error = int;

// What createNew() gives for a name that is taken, by anything.
extern const Error kNameTaken;

// The system's words for `error`, in UTF-8 and in the user's language: on
// Linux the C library's, in the language the environment names (LC_ALL,
// LC_MESSAGES, LANG) whatever the program set for itself; on Windows
// FormatMessageW's.
std::string errorText(Error error);

enum class Kind { Missing, Regular, Folder, Other };

// What `name` is, through links; a link to nothing is Missing. When the system
// cannot tell, Other with `*error` set.
Kind kindOf(const std::string &name, Error *error = nullptr);
// Whether anything holds `name`, a link to nothing included.
bool exists(const std::string &name);
// The folder a file named `name` would be created in ("." for a bare name).
std::string folderOf(const std::string &name);

// What tells one file from another through any link: its device and file
// number (on Windows its volume serial and file index). Unknown for what
// cannot be looked at, or has none (a console, a pipe on Windows); an unknown
// one is no file's.
struct FileId
{
    bool known = false;
    std::uint64_t device = 0, number = 0;

    bool operator==(const FileId &other) const
    {
        return known && other.known && device == other.device && number == other.number;
    }
    bool operator<(const FileId &other) const
    {
        return device != other.device ? device < other.device : number < other.number;
    }
};
FileId fileId(const std::string &name);
// The standard output's.
FileId standardOutputId();

// A file of the system's, open until close() or until it goes.
class File
{
public:
    File() = default;
    ~File() { close(); }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    bool isOpen() const { return m_handle != kClosed; }
    // The descriptor or HANDLE, held and taken: for the system's side of the
    // seam only. A borrowed one (a standard stream) is never closed here.
    std::intptr_t handle() const { return m_handle; }
    void take(std::intptr_t handle, bool owned = true)
    {
        close();
        m_handle = handle;
        m_owned = owned;
    }
    // 0, or why closing failed (on some file systems a failed write shows only
    // here).
    Error close();

private:
    static constexpr std::intptr_t kClosed = -1; // -1 is INVALID_HANDLE_VALUE too
    std::intptr_t m_handle = kClosed;
    bool m_owned = true;
};

// A standard stream that was closed is taken by the null device, read-only, so
// that no file opened later takes its number (an output would land on standard
// output, messages in a file) and a write to it fails; on Windows, where files
// are handles, nothing takes a stream's place. Returns whether standard output
// was closed.
bool holdClosedStandardStreams();
// Over a file-size limit a write fails with the system's reason instead of
// ending the program (SIGXFSZ, where there is one).
void failWritesOverFileSizeLimit();

// Standard output and standard error, borrowed.
void takeStandardOutput(File &file);
void takeStandardError(File &file);
// Whether `file` is a terminal (on Windows a console).
bool isTerminal(const File &file);

// A new file for writing, made in the same step as the name is taken: a name
// taken by anything (a file, a folder, a device) gives kNameTaken and is left
// alone.
Error createNew(const std::string &name, File &file);
// For reading, without waiting: a pipe or a device there does not block.
Error openForReading(const std::string &name, File &file);
// What is there already, through links, for writing at its start, without
// waiting: a pipe without a reader or a device opens, or fails, at once.
Error openForWriting(const std::string &name, File &file);
// What the open `file` is, and its size in bytes.
Kind kindOf(const File &file, std::int64_t *size);

// All of `size` bytes, or the reason it stopped short; a console (on Windows)
// takes them as UTF-8 text, whatever its code page.
Error writeAll(File &file, const char *bytes, std::size_t size);
// Up to `size` bytes, fewer only at the end of the file; `*got` says how many.
Error readUpTo(File &file, char *buffer, std::size_t size, std::size_t *got);
// The same from byte `offset` on. Use either this or readUpTo on one file:
// whether a read at an offset moves the position readUpTo goes on from
// differs between systems.
Error readAt(File &file, std::int64_t offset, char *buffer, std::size_t size, std::size_t *got);

// A recording's file is locked against every other writer that asks the same
// (another recording, a --force of any program) for as long as it is open,
// while readers (a viewer following it) never meet the lock. On Linux an
// advisory lock of the whole file (fcntl, on the open file itself); on
// Windows the share mode a file is opened with for writing already denies
// other writers, so lockForWriting() has nothing more to do there. kInUse
// when another holds it; a file system that keeps no locks leaves the file
// unlocked.
extern const Error kInUse;
Error lockForWriting(File &file);
// Whether another (program or open file) holds `name` locked so.
bool isLockedForWriting(const std::string &name);

// Whether any program (this one included) holds the file open for writing,
// as far as the system tells: a recorder still writing it, or none. `file`
// is the file `name` names, open for reading; on Linux a read lease is asked
// for and given back at once (it is refused while a writer holds the file),
// on Windows the file is opened once more denying other writers.
enum class Writers { None, Some, Unknown };
Writers writersOf(File &file, const std::string &name);

// The names of what the folder `folder` holds, without "." and "..".
Error namesIn(const std::string &folder, std::vector<std::string> *names);
// Where the next write to a regular file lands: its end for one opened for
// appending (standard output with >>).
std::int64_t writePosition(const File &file);
// Cuts the regular file back to `size` bytes and writes on from there.
Error cutBack(File &file, std::int64_t size);
// Makes what was written to the regular file durable.
Error sync(File &file);

void remove(const std::string &name);
// The name of the file that `name` really is, through every link; `name`
// itself when the system cannot tell.
std::string realName(const std::string &name);
// Puts the file `replacement` in the place of the regular file `target` in one
// step, with `target`'s permissions; a folder at `target` is refused.
Error replace(const std::string &target, const std::string &replacement);

} // namespace os
