#pragma once
// Starting a program under test as a child process, for the Qt-free tests
// (plaintest.h): its own working folder and environment, standard output and
// error into files, signals, and waits bounded by wall-clock time that fail the
// test naming what was awaited.
#include "plaintest.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace childprocess {

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls `ready` until it holds, for at most `seconds`.
inline void waitFor(const std::function<bool()> &ready, double seconds, const std::string &what)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline)
            PT_FAIL("waited " + std::to_string(seconds) + " s for " + what);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

struct Ended
{
    int status = -1; // the exit status, or -1 when a signal ended it
    int signal = 0;  // the signal that ended it, or 0
};

#ifdef _WIN32
// How a program is stopped on Windows: the console's control events, which the
// system delivers as a new thread at CtrlRoutine in the program, and so does
// signal(); or killed outright. Ended.signal gives them back.
constexpr int kCtrlC = CTRL_C_EVENT;
constexpr int kCtrlBreak = CTRL_BREAK_EVENT;
constexpr int kConsoleClosed = CTRL_CLOSE_EVENT;
constexpr int kKill = 0x100;
constexpr DWORD kKilledStatus = 0xDEAD;

inline std::wstring widened(const std::string &utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(std::size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()),
                                                wide.data(), int(wide.size()))));
    return wide;
}

// `argument` as the C library's command-line parser reads it back.
inline std::wstring quoted(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring text = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < argument.size() && argument[i] == L'\\'; ++i)
            ++backslashes;
        if (i == argument.size()) {
            text.append(2 * backslashes, L'\\');
            break;
        }
        text.append(argument[i] == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        text += argument[i];
    }
    return text + L'"';
}

// This process's environment with `env` ("NAME=value") set, as a block.
inline std::wstring environmentWith(const std::vector<std::string> &env)
{
    std::vector<std::wstring> entries;
    const wchar_t *block = GetEnvironmentStringsW();
    for (const wchar_t *p = block; *p; p += entries.back().size() + 1)
        entries.emplace_back(p);
    FreeEnvironmentStringsW(const_cast<wchar_t *>(block));
    for (const std::string &entry : env) {
        const std::wstring wide = widened(entry);
        const std::wstring name = wide.substr(0, wide.find(L'=') + 1);
        for (auto it = entries.begin(); it != entries.end();)
            it =
                _wcsnicmp(it->c_str(), name.c_str(), name.size()) == 0 ? entries.erase(it) : it + 1;
        entries.push_back(wide);
    }
    std::wstring joined;
    for (const std::wstring &entry : entries)
        joined += entry + L'\0';
    return joined + L'\0';
}

class Process
{
public:
    Process(const std::vector<std::string> &argv, const std::string &folder,
            const std::vector<std::string> &env, const std::string &outPath,
            const std::string &errPath)
    {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const auto create = [&](const std::string &path) {
            return CreateFileW(widened(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                               CREATE_ALWAYS, 0, nullptr);
        };
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = create(outPath);
        startup.hStdError = create(errPath);
        std::wstring commandLine;
        for (const std::string &a : argv)
            commandLine += (commandLine.empty() ? L"" : L" ") + quoted(widened(a));
        std::wstring environment = environmentWith(env);
        PROCESS_INFORMATION started{};
        const bool ok =
            startup.hStdOutput != INVALID_HANDLE_VALUE &&
            startup.hStdError != INVALID_HANDLE_VALUE &&
            CreateProcessW(widened(argv[0]).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                           CREATE_UNICODE_ENVIRONMENT, environment.data(), widened(folder).c_str(),
                           &startup, &started);
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
        PT_CHECK_MSG(ok, "starting " + argv[0]);
        CloseHandle(started.hThread);
        m_process = started.hProcess;
    }
    ~Process()
    {
        if (m_process && !m_ended) {
            TerminateProcess(m_process, kKilledStatus);
            WaitForSingleObject(m_process, INFINITE);
        }
        if (m_process)
            CloseHandle(m_process);
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    void signal(int event)
    {
        if (event == kKill) {
            TerminateProcess(m_process, kKilledStatus);
            return;
        }
        HMODULE system = GetModuleHandleW(L"kernelbase.dll");
        auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<void *>(GetProcAddress(system, "CtrlRoutine")));
        if (!routine)
            routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void *>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
        const HANDLE thread = CreateRemoteThread(
            m_process, nullptr, 0, routine, reinterpret_cast<void *>(INT_PTR(event)), 0, nullptr);
        PT_CHECK_MSG(thread, "a control event for the program");
        CloseHandle(thread);
    }

    Ended wait(double seconds)
    {
        waitFor([&] { return m_ended = WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; },
                seconds, "the program to end");
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        if (code == kKilledStatus)
            return Ended{-1, kKill};
        if (code == DWORD(STATUS_CONTROL_C_EXIT))
            return Ended{-1, kCtrlC};
        return Ended{int(code), 0};
    }

private:
    HANDLE m_process = nullptr;
    bool m_ended = false;
};
#else
class Process
{
public:
    // Runs `argv` in `folder` with `env` ("NAME=value") added to this process's
    // environment; standard output and error go to the files named.
    Process(const std::vector<std::string> &argv, const std::string &folder,
            const std::vector<std::string> &env, const std::string &outPath,
            const std::string &errPath)
    {
        m_pid = fork();
        PT_CHECK_MSG(m_pid >= 0, "fork");
        if (m_pid != 0)
            return;
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            chdir(folder.c_str()) != 0)
            _exit(126);
        for (const std::string &entry : env)
            putenv(const_cast<char *>(entry.c_str()));
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    ~Process()
    {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    void signal(int number) { kill(m_pid, number); }

    Ended wait(double seconds)
    {
        int raw = 0;
        waitFor([&] { return m_ended = waitpid(m_pid, &raw, WNOHANG) == m_pid; }, seconds,
                "the program to end");
        return WIFEXITED(raw) ? Ended{WEXITSTATUS(raw), 0} : Ended{-1, WTERMSIG(raw)};
    }

private:
    pid_t m_pid = -1;
    bool m_ended = false;
};
#endif

} // namespace childprocess
