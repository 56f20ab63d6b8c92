// The logger's system seam on Windows. Text crosses the system's wide API as
// UTF-8, as everywhere else in the program.
#include "system/process.h"

#include "system/windowstext.h"
#include "logger/logerror.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <shellapi.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace logsys {

namespace {

using windowstext::narrowed;
using windowstext::widened;

std::atomic<int> g_stops{0};
// Set by the first stop request, so that a sleep ends at once.
HANDLE g_stopped = nullptr;
// Held around every write: a second request, which ends the program at once,
// waits for it, so the file still ends on a whole line.
std::mutex g_writing;
HANDLE g_timer = nullptr;
UINT g_consoleCodePage = 0;

// Runs on a thread of its own, which the system starts for each event.
BOOL WINAPI onControl(DWORD event)
{
    if (g_stops.fetch_add(1) == 0) {
        SetEvent(g_stopped);
        // For these three the system ends the process as soon as this returns:
        // it waits here instead, until the recording has finished and ended it.
        if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
            Sleep(INFINITE);
        return TRUE;
    }
    g_writing.lock();
    TerminateProcess(GetCurrentProcess(), DWORD(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

[[noreturn]] void fail(const char *what, const std::string &name, DWORD error)
{
    throw LogError(std::string(what) + name + "：" + windowstext::systemText(error));
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// All of `size` bytes to `handle`: as wide text on a console, whatever its code
// page, else as they are. False, with the last error set, when it stopped short;
// `done` tells how far it got.
bool writeAll(HANDLE handle, const char *data, std::size_t size, std::size_t &done)
{
    done = 0;
    if (isConsole(handle)) {
        const std::wstring text = widened(std::string(data, size));
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data(), DWORD(text.size()), &written, nullptr))
            return false;
        done = size;
        return true;
    }
    while (done < size) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(size - done, 1u << 30));
        if (!WriteFile(handle, data + done, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += written;
    }
    return true;
}

class WindowsFile : public OutputFile
{
public:
    WindowsFile(HANDLE handle, std::string name, bool owned)
        : m_handle(handle), m_name(std::move(name)), m_owned(owned)
    {
        m_regular = GetFileType(m_handle) == FILE_TYPE_DISK;
        LARGE_INTEGER at{};
        if (m_regular && SetFilePointerEx(m_handle, LARGE_INTEGER{}, &at, FILE_CURRENT))
            m_end = at.QuadPart;
    }
    ~WindowsFile() override
    {
        if (m_handle != INVALID_HANDLE_VALUE && m_owned)
            CloseHandle(m_handle);
    }

    const std::string &name() const override { return m_name; }

    void write(const char *data, std::size_t size) override
    {
        const std::lock_guard<std::mutex> held(g_writing);
        std::size_t done = 0;
        if (writeAll(m_handle, data, size, done)) {
            m_end += LONGLONG(done);
            return;
        }
        const DWORD error = GetLastError();
        // Whatever of this write did land is taken back, so no part of a line
        // stays behind.
        LARGE_INTEGER end{};
        end.QuadPart = m_end;
        if (m_regular && done > 0 &&
            !(SetFilePointerEx(m_handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(m_handle)))
            fail("无法写入 ", m_name + "，其末行也无法复原", error);
        fail("无法写入 ", m_name, error);
    }

    void sync() override
    {
        if (m_regular && !FlushFileBuffers(m_handle))
            fail("无法同步到磁盘 ", m_name, GetLastError());
    }

    void close() override
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        if (m_owned && !CloseHandle(handle))
            fail("无法关闭 ", m_name, GetLastError());
    }

private:
    HANDLE m_handle;
    std::string m_name;
    bool m_owned;
    bool m_regular = false;
    LONGLONG m_end = 0; // the size after the last whole write
};

void restoreConsole()
{
    SetConsoleOutputCP(g_consoleCodePage);
}

} // namespace

std::vector<std::string> commandLine(int, char **)
{
    // Standard output on a console (--help, --version, rows with -o -) shows
    // UTF-8 for this run; the console gets its own code page back at the end.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        g_consoleCodePage = codePage;
        std::atexit(restoreConsole);
    }
    // argv is in the ANSI code page, which cannot hold every name and range text
    // (±): the wide command line can.
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(narrowed(wide[i]));
    LocalFree(wide);
    return arguments;
}

void prepare()
{
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Ctrl-C is switched off for a process started in a group of its own: on.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onControl, TRUE);
    // Sleep() and ordinary timers wake in steps of up to 16 ms, far too coarse
    // for 1000 scans/s. A high-resolution timer (Windows 10 1803 and later)
    // does not; before it, the system's timer is made 1 ms for the run.
    g_timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                     TIMER_ALL_ACCESS);
    if (!g_timer) {
        timeBeginPeriod(1);
        g_timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
}

bool stopRequested()
{
    return g_stops.load(std::memory_order_relaxed) > 0;
}

std::thread quietThread(std::function<void()> work)
{
    // Stop requests come on threads of their own; no thread takes them.
    return std::thread(std::move(work));
}

std::int64_t monotonicNow()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    // In two parts, so that the product never overflows.
    return now.QuadPart / frequency * 1'000'000'000 +
           now.QuadPart % frequency * 1'000'000'000 / frequency;
}

void sleepUntil(std::int64_t due)
{
    for (std::int64_t now; !stopRequested() && (now = monotonicNow()) < due;) {
        LARGE_INTEGER wait{};
        wait.QuadPart = -((due - now + 99) / 100); // relative, in 100 ns
        if (!g_timer || !SetWaitableTimer(g_timer, &wait, 0, nullptr, nullptr, FALSE)) {
            Sleep(DWORD((due - now) / 1'000'000));
            continue;
        }
        const HANDLE either[] = {g_timer, g_stopped};
        WaitForMultipleObjects(2, either, FALSE, INFINITE);
    }
}

std::string utcNow()
{
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&now, &utc);
    const ULONGLONG ticks = ULONGLONG(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    char text[96];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%06uZ", utc.wYear, utc.wMonth,
                  utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, unsigned(ticks / 10 % 1'000'000));
    return text;
}

bool stderrIsTerminal()
{
    return isConsole(GetStdHandle(STD_ERROR_HANDLE));
}

void writeStderr(const std::string &text)
{
    const std::lock_guard<std::mutex> held(g_writing);
    std::size_t done = 0;
    writeAll(GetStdHandle(STD_ERROR_HANDLE), text.data(), text.size(), done);
}

PathKind pathKind(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(widened(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                              : PathKind::Other;
    }
    // A link or junction is not followed, as on Linux.
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return PathKind::Other;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::Regular;
}

std::string folderOf(const std::string &path)
{
    const bool drive = path.size() >= 2 && path[1] == ':';
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return drive ? path.substr(0, 2) : ".";
    // The root of a drive or of the current one keeps its separator.
    if (slash == 0 || (drive && slash == 2))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::unique_ptr<OutputFile> createFile(const std::string &path, bool replace)
{
    const std::wstring name = widened(path);
    if (replace) {
        // Opened without following a link, then looked at before anything in
        // it changes.
        const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION info{};
            if (GetFileType(handle) != FILE_TYPE_DISK ||
                !GetFileInformationByHandle(handle, &info) ||
                (info.dwFileAttributes &
                 (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
                CloseHandle(handle);
                refuseNotRegular(path);
            }
            if (!SetEndOfFile(handle)) {
                const DWORD error = GetLastError();
                CloseHandle(handle);
                fail("无法替换 ", path, error);
            }
            return std::make_unique<WindowsFile>(handle, path, true);
        }
        const DWORD error = GetLastError();
        if (pathKind(path) == PathKind::Folder)
            refuseNotRegular(path);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            fail("无法打开 ", path, error);
    }
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            refuseExisting(path);
        fail("无法创建 ", path, error);
    }
    return std::make_unique<WindowsFile>(handle, path, true);
}

std::unique_ptr<OutputFile> standardOutput()
{
    return std::make_unique<WindowsFile>(GetStdHandle(STD_OUTPUT_HANDLE), kStandardOutput, false);
}

} // namespace logsys
