#pragma once
// Every system call files/ makes besides Qt's, behind one small seam without
// Qt, so that it builds and is tested for Windows too: posixfile.cpp on Linux,
// windowsfile.cpp on Windows (through the wide API). Names are the bytes the
// system takes, on Windows UTF-8. A failure is the system's own code, errno or
// GetLastError(), 0 for none; reason() gives its words.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
// The same from byte `offset` on. Use either this or readUpTo on one file:
// whether a read at an offset moves the position readUpTo goes on from
// differs between systems.
Error readAt(File &file, std::int64_t offset, char *buffer, std::size_t size, std::size_t *got);

// Whether any program (this one included) holds the file open for writing,
// as far as the system tells: a recorder still writing it, or none. `file`
// is the file `name` names, open for reading; on Linux a read lease is asked
// for and given back at once (it is refused while a writer holds the file),
// on Windows the file is opened once more denying other writers.
enum class Writers { None, Some, Unknown };
Writers writersOf(File &file, const std::string &name);

// The names of what the folder `folder` holds, without "." and "..".
Error namesIn(const std::string &folder, std::vector<std::string> *names);

void remove(const std::string &name);
// The name of the file that `name` really is, through every link; `name`
// itself when the system cannot tell.
std::string realName(const std::string &name);
// Puts the file `replacement` in the place of the regular file `target` in one
// step, with `target`'s permissions; a folder at `target` is refused.
Error replace(const std::string &target, const std::string &replacement);

} // namespace systemfile
