#pragma once
#include "logger/outputfile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Syncs output files to disk on a thread of its own, so that a slow disk never
// delays a scan. A failure is kept and thrown as LogError by the next throwIfFailed().
class Syncer
{
public:
    Syncer();
    ~Syncer();
    Syncer(const Syncer &) = delete;
    Syncer &operator=(const Syncer &) = delete;

    void sync(std::shared_ptr<OutputFile> file);
    // Syncs and then closes a file that will not be written again.
    void syncAndClose(std::shared_ptr<OutputFile> file);
    // Waits for everything asked so far, then throws a failure if one came.
    void waitUntilDone();
    void throwIfFailed();

private:
    struct Job
    {
        std::shared_ptr<OutputFile> file;
        bool close = false;
    };

    void queue(Job job);
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_quit = false;
    std::atomic<bool> m_failed{false};
    std::string m_failure;
    std::thread m_thread;
};
