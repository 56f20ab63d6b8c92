#pragma once
// Every system call files/ makes besides Qt's, behind one small seam without
// Qt, so that it builds and is tested for Windows too: posixfile.cpp on Linux,
// windowsfile.cpp on Windows (through the wide API). Names are the bytes the
// system takes, on Windows UTF-8. A failure is the system's own code, errno or
// GetLastError(), 0 for none; reason() gives its words.

#include <cstddef>
#include <cstdint>
#include <string>

namespace systemfile {

using Error = int;

// What createNew() gives for a name that is taken, by anything.
extern const Error kNameTaken;

// The system's words for `error`, in UTF-8.
std::string reason(Error error);

enum class Kind { Missing, Regular, Folder, Other };

// What `name` is, through links; a link to nothing is Missing. When the system
// cannot tell, Other with `*error` set.
Kind kindOf(const std::string &name, Error *error = nullptr);
// Whether anything holds `name`, a link to nothing included.
bool exists(const std::string &name);

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
    // seam only.
    std::intptr_t handle() const { return m_handle; }
    void take(std::intptr_t handle) { m_handle = handle; }
    // 0, or why closing failed (on some file systems a failed write shows only
    // here).
    Error close();

private:
    static constexpr std::intptr_t kClosed = -1; // -1 is INVALID_HANDLE_VALUE too
    std::intptr_t m_handle = kClosed;
};

// A new file for writing, made in the same step as the name is taken: a name
// taken by anything (a file, a folder, a device) gives kNameTaken and is left
// alone.
Error createNew(const std::string &name, File &file);
// For reading, without waiting: a pipe or a device there does not block.
Error openForReading(const std::string &name, File &file);
// What the open `file` is, and its size in bytes.
Kind kindOf(const File &file, std::int64_t *size);

// All of `size` bytes, or the reason it stopped short.
Error writeAll(File &file, const char *bytes, std::size_t size);
// Up to `size` bytes, fewer only at the end of the file; `*got` says how many.
Error readUpTo(File &file, char *buffer, std::size_t size, std::size_t *got);

void remove(const std::string &name);
// The name of the file that `name` really is, through every link; `name`
// itself when the system cannot tell.
std::string realName(const std::string &name);
// Puts the file `replacement` in the place of the regular file `target` in one
// step, with `target`'s permissions; a folder at `target` is refused.
Error replace(const std::string &target, const std::string &replacement);

} // namespace systemfile
