#include "logger/syncer.h"

#include "logger/logerror.h"
#include "system/process.h"

Syncer::Syncer() : m_thread(os::threadIgnoringStops([this] { run(); })) {}

Syncer::~Syncer()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void Syncer::sync(std::shared_ptr<OutputFile> file)
{
    queue({std::move(file), false});
}

void Syncer::syncAndClose(std::shared_ptr<OutputFile> file)
{
    queue({std::move(file), true});
}

void Syncer::queue(Job job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A sync still waiting covers this one too.
        if (!job.close && !m_jobs.empty() && m_jobs.back().file == job.file && !m_jobs.back().close)
            return;
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void Syncer::waitUntilDone()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    lock.unlock();
    throwIfFailed();
}

void Syncer::throwIfFailed()
{
    if (!m_failed.load(std::memory_order_acquire))
        return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    throw LogError(m_failure);
}

void Syncer::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        const Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        std::string failure;
        try {
            job.file->sync();
            if (job.close)
                job.file->close();
        } catch (const LogError &error) {
            failure = error.message();
        }
        lock.lock();
        m_busy = false;
        if (!failure.empty() && !m_failed.load()) {
            m_failure = failure;
            m_failed.store(true, std::memory_order_release);
        }
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}
