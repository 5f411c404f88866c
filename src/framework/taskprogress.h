#pragma once

#include <QtGlobal>

#include <atomic>

// What a piece of work running on another thread tells the window waiting for it: how far it has
// come, and whether the user asked it to stop. Every member may be called from either thread.
class CTaskProgress
{
public:
    // The amount of work in all and done so far, in any unit (bytes, mostly); a total of zero
    // means the amount is not known.
    void SetTotal(qint64 total) { m_total.store(total, std::memory_order_relaxed); }
    void SetDone(qint64 done) { m_done.store(done, std::memory_order_relaxed); }
    qint64 Total() const { return m_total.load(std::memory_order_relaxed); }
    qint64 Done() const { return m_done.load(std::memory_order_relaxed); }

    void Cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancelled{false};
};
