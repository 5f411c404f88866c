#include "documentrun.h"

#include "document/workspacedoc.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct CDocumentRun::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool reading = false; // set before the thread starts, so that no edit slips in before it reads
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
};

CDocumentRun::CDocumentRun(CWorkSpaceDoc *document, QObject *parent)
    : QObject(parent), m_document(document), m_state(std::make_shared<State>())
{
    m_state->finished = true;
    if (document) {
        connect(document, &CWorkSpaceDoc::editStarting, this, [this] {
            if (!IsRunning())
                return;
            bool wasReading;
            {
                std::lock_guard<std::mutex> lock(m_state->mutex);
                wasReading = m_state->reading;
            }
            if (!wasReading)
                return;
            m_state->cancel = true;
            WaitForReading();
            Q_EMIT interruptedByEdit();
        }, Qt::DirectConnection);
    }
}

CDocumentRun::~CDocumentRun()
{
    // The thread holds the state, not this object; it ends on its own.
    Cancel();
    WaitForReading();
}

void CDocumentRun::Start(Reading reading, Rest rest)
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->reading = true;
        m_state->finished = false;
    }
    std::shared_ptr<State> state = m_state;
    auto body = [state, reading = std::move(reading), rest = std::move(rest)] {
        if (!state->cancel)
            reading(state->cancel);
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->reading = false;
        }
        state->changed.notify_all();
        if (rest && !state->cancel)
            rest(state->cancel);
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->finished = true;
        }
        state->changed.notify_all();
    };
    try {
        std::thread(body).detach();
    } catch (const std::system_error &) {
        body();
    }
}

bool CDocumentRun::IsCancelled() const
{
    return m_state->cancel.load();
}

bool CDocumentRun::IsRunning() const
{
    return !m_state->finished.load();
}

void CDocumentRun::Cancel()
{
    m_state->cancel = true;
}

void CDocumentRun::WaitForReading()
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->changed.wait(lock, [this] { return !m_state->reading; });
}

void CDocumentRun::WaitForFinished()
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->changed.wait(lock, [this] { return m_state->finished.load(); });
}
