#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class CWorkSpaceDoc;

// A run over one document on a thread of its own: first a part that reads the document's tree,
// while every edit of the document waits for it (an edit raises the cancel flag, so a search
// stops within a few thousand nodes), then a part that no longer touches the tree (validation of
// a copy), which an edit does not wait for. Cancel() raises the flag; the run's results then go
// nowhere.
class CDocumentRun : public QObject
{
    Q_OBJECT

public:
    using Reading = std::function<void(const std::atomic<bool> &cancel)>;
    using Rest = std::function<void(const std::atomic<bool> &cancel)>;

    CDocumentRun(CWorkSpaceDoc *document, QObject *parent = nullptr);
    ~CDocumentRun() override;

    // Starts the run. A thread that cannot be started runs both parts here, at once.
    void Start(Reading reading, Rest rest = {});
    void Cancel();
    bool IsCancelled() const;
    // True until both parts have ended.
    bool IsRunning() const;
    // Blocks until the part that reads the tree has ended.
    void WaitForReading();
    // Blocks until both parts have ended (tests and benchmarks).
    void WaitForFinished();

Q_SIGNALS:
    // An edit of the document stopped the reading part.
    void interruptedByEdit();

private:
    struct State;
    QPointer<CWorkSpaceDoc> m_document;
    std::shared_ptr<State> m_state;
};
