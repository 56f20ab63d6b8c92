// The running process on Windows. Text crosses the system's wide API as
// UTF-8, as everywhere else in the program.
#include "system/process.h"

#include "system/windowstext.h"

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

namespace os {

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

void prepareRecording()
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

Timeliness keepOnTime(bool realTime)
{
    Timeliness granted;
    if (realTime) {
        // The real-time class is given only to administrators, and silently
        // lowered to this one for others: the high class is asked for plainly.
        if (!SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS) ||
            !SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL))
            granted.priorityWhy = windowstext::systemText(GetLastError());
        else
            granted.realTime = true;
    }
    granted.memoryWhy = "Windows";
    return granted;
}

std::thread threadIgnoringStops(std::function<void()> work)
{
    // Stop requests come on threads of their own; no thread takes them.
    return std::thread([work = std::move(work)] {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        work();
    });
}

void withStopsHeldBack(const std::function<void()> &write)
{
    const std::lock_guard<std::mutex> held(g_writing);
    write();
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

int standardErrorColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
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

std::uint64_t physicalMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? std::uint64_t(status.ullTotalPhys) : 0;
}

} // namespace os
