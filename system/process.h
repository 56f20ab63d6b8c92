#pragma once
// What zk61ar-log needs of the running process beyond its files: the command
// line, the stop requests (Ctrl-C and the like), the monotonic clock and
// sleeping until a due time, the UTC time and standard error; and for the
// recording reader, how much memory the machine has.
// posixprocess.cpp provides it on Linux, windowsprocess.cpp on Windows.

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace os {

// Called first, before the command line is read: the arguments as UTF-8. On
// Windows they are read again from the wide command line, as argv is in the
// ANSI code page, and a console is given UTF-8 output for the run.
std::vector<std::string> commandLine(int argc, char **argv);

// Called once before a recording starts: takes the stop requests (the first
// Ctrl-C, SIGTERM or SIGHUP only asks the recording to stop; a second one ends
// the program at once), asks for the finest timer the system gives, and makes a
// reader that goes away a failed write rather than the end of the program.
void prepareRecording();
bool stopRequested();

// What the system granted for keeping a schedule, for the file to say.
struct Timeliness
{
    bool realTime = false;   // the recording's thread at a real-time priority
    std::string priorityWhy; // the system's words when it was refused
    bool memoryLocked = false;
    std::string memoryWhy;
};
// Called on the recording's thread once, just before the first scan: a
// real-time priority where the system permits it (on Windows a high priority
// class and a time-critical thread), else the normal one, and all memory kept
// in RAM (mlockall on Linux, pages locked as they are first touched, so the
// resident size stays what it is; not on Windows). Threads made afterwards
// by threadIgnoringStops run at the normal priority.
Timeliness keepOnTime(bool realTime);
// A thread that never takes a stop request, so that the recording's own thread
// is the one to answer them; at the normal priority, whatever the recording's.
std::thread threadIgnoringStops(std::function<void()> work);

// Runs `write` with a second stop request held back until it is done, so that
// a write in progress is never cut in two.
void withStopsHeldBack(const std::function<void()> &write);

// Nanoseconds on a clock that never jumps, from an arbitrary origin.
std::int64_t monotonicNow();
// Sleeps until monotonicNow() reaches `due`, or less when a stop is requested.
void sleepUntil(std::int64_t due);

// The current time in UTC as ISO 8601 with microseconds: 2026-12-09T02:34:45.123456Z.
std::string utcNow();

bool standardErrorIsTerminal();
bool standardOutputIsTerminal();
// How many columns the terminal of standard error shows; 0 when it cannot tell.
int standardErrorColumns();
// Whether a terminal shows character `c` two columns wide: the East Asian
// wide and fullwidth characters (CJK, kana, hangul, fullwidth forms) and the
// pictographs.
bool isWide(char32_t c);
// Writes `text` to standard error as it is, at once; nowhere left to say it,
// it is lost.
void writeToStandardError(const std::string &text);

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t physicalMemory();

} // namespace os
