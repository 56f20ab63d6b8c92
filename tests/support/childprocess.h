#pragma once
// Starting a program under test as a child process, for the Qt-free tests
// (plaintest.h): its own working folder and environment, standard output and
// error into files, signals, and waits bounded by wall-clock time that fail the
// test naming what was awaited.
#include "plaintest.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

} // namespace childprocess
