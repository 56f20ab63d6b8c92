#pragma once
// Everything zk61ar-log needs of the operating system, behind one small seam:
// the monotonic clock and sleeping until a due time, the stop requests
// (Ctrl-C and the like), the output file's writes and syncs, what a path is,
// whether standard error is a terminal, and the UTC time. posixsystem.cpp
// provides it on Linux, windowssystem.cpp on Windows; nothing else in the
// logger calls the system directly.
// Failures throw LogError with a message that names the file and the system's
// reason.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <vector>

namespace logsys {

// Called first, before the command line is read: the arguments as UTF-8. On
// Windows they are read again from the wide command line, as argv is in the
// ANSI code page, and a console is given UTF-8 output for the run.
std::vector<std::string> commandLine(int argc, char **argv);

// Called once before anything else: sets up the stop requests (the first Ctrl-C,
// SIGTERM or SIGHUP only asks the recording to stop; a second one ends the
// program at once) and the finest timer the system gives.
void prepare();
bool stopRequested();
// A thread that never takes a stop request, so that the recording's own thread
// is the one to answer them.
std::thread quietThread(std::function<void()> work);

// Nanoseconds on a clock that never jumps, from an arbitrary origin.
std::int64_t monotonicNow();
// Sleeps until monotonicNow() reaches `due`, or less when a stop is requested.
void sleepUntil(std::int64_t due);

// The current time in UTC as ISO 8601 with microseconds: 2026-12-09T02:34:45.123456Z.
std::string utcNow();

bool stderrIsTerminal();
// Writes `text` to standard error as it is, at once.
void writeStderr(const std::string &text);

enum class PathKind { Missing, Regular, Folder, Other };
// What `path` names, without following a symbolic link (a link is Other).
PathKind pathKind(const std::string &path);
// The folder a file named `path` would be created in ("." for a bare name).
std::string folderOf(const std::string &path);

// An output written in whole lines: a file created for the recording, or
// standard output. A write that fails leaves the file as it was before that
// write, so the file always ends on a whole line.
class OutputFile
{
public:
    virtual ~OutputFile() = default;
    virtual const std::string &name() const = 0;
    // All of `size` bytes, or LogError and nothing of them.
    virtual void write(const char *data, std::size_t size) = 0;
    // Makes what was written durable; may run on another thread than write().
    virtual void sync() = 0;
    virtual void close() = 0;
};

// Creates `path` for writing. Without `replace` an existing path is refused; with
// it only a regular file is replaced (emptied), never a folder, link, device or
// pipe.
std::unique_ptr<OutputFile> createFile(const std::string &path, bool replace);
// Named kStandardOutput in messages.
std::unique_ptr<OutputFile> standardOutput();
constexpr const char *kStandardOutput = "标准输出";

} // namespace logsys
