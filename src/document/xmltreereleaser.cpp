#include "xmltreereleaser.h"

#include "domdata.h"
#include "framework/backgroundtask.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Set once the freeing thread has ended with the program: a tree let go of later (by an object
// destroyed after it) is freed where it is let go of.
std::atomic<bool> threadEnded{false};

// The freeing thread and its queue. It starts with the first big tree and is stopped, its queue
// emptied first, when the program ends: what it was handed is freed before the process goes.
class FreeingThread
{
public:
    ~FreeingThread()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        threadEnded = true;
    }

    // False when no thread could be started for it: the caller frees it.
    bool Add(DomData *data)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_thread.joinable()) {
                try {
                    m_thread = std::thread([this] { Loop(); });
                } catch (const std::system_error &) {
                    return false;
                }
            }
            m_queue.push_back(data);
        }
        m_wake.notify_all();
        return true;
    }

    void WaitUntilIdle()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_freeing; });
    }

    std::size_t Pending()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_queue.size() + (m_freeing ? 1 : 0);
    }

private:
    void Loop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopped, nothing left
            DomData *data = m_queue.front();
            m_queue.pop_front();
            m_freeing = true;
            lock.unlock();
            delete data;
            lock.lock();
            m_freeing = false;
            if (m_queue.empty())
                m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<DomData *> m_queue;
    bool m_freeing = false;
    bool m_stop = false;
    std::thread m_thread;
};

FreeingThread &freeingThread()
{
    static FreeingThread thread;
    return thread;
}

} // namespace

void XmlTreeReleaser::Release(DomData *data)
{
    if (!data)
        return;
    const bool large = data->textBytes > 0 && data->textBytes >= std::size_t(CBackgroundTask::LargeWorkBytes());
    if (!large || threadEnded || !freeingThread().Add(data))
        delete data;
}

void XmlTreeReleaser::WaitUntilIdle()
{
    if (!threadEnded)
        freeingThread().WaitUntilIdle();
}

std::size_t XmlTreeReleaser::Pending()
{
    return threadEnded ? 0 : freeingThread().Pending();
}
