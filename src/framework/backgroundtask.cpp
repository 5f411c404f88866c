#include "backgroundtask.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <climits>
#include <exception>

namespace {

qint64 largeWorkBytes = 4 * 1024 * 1024;
int showDelay = 400;
int running = 0;

// Progress dialogs take int values: large amounts are shown in kilobytes.
int scaled(qint64 amount, qint64 total)
{
    return int(total > INT_MAX ? qMin<qint64>(amount / 1024, INT_MAX) : amount);
}

} // namespace

qint64 CBackgroundTask::LargeWorkBytes()
{
    return largeWorkBytes;
}

void CBackgroundTask::SetLargeWorkBytes(qint64 bytes)
{
    largeWorkBytes = bytes;
}

int CBackgroundTask::ShowDelay()
{
    return showDelay;
}

void CBackgroundTask::SetShowDelay(int milliseconds)
{
    showDelay = milliseconds;
}

bool CBackgroundTask::IsRunning()
{
    return running > 0;
}

void CBackgroundTask::RunSized(qint64 bytes, const QString &label, const std::function<void()> &work,
                               const Progress &progress)
{
    if (bytes < largeWorkBytes)
        work();
    else
        Run(nullptr, QStringLiteral("Treewright"), label, work, progress);
}

void CBackgroundTask::Run(QWidget *parent, const QString &title, const QString &label, const std::function<void()> &work,
                          const Progress &progress)
{
    std::exception_ptr failure;
    QThread *thread = QThread::create([&failure, &work] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    ++running;
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();

    // Input waits until the work ends; painting and timers go on.
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &loop, &QEventLoop::quit);
    delay.start(showDelay);
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!thread->isFinished()) {
        QProgressDialog dialog(label, progress.cancel ? QStringLiteral("Cancel") : QString(), 0, 0,
                               parent ? parent : QApplication::activeWindow());
        dialog.setWindowTitle(title);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(0);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        // Cancel, Escape and the window's close button all ask the work to stop; the dialog
        // stays up, input blocked, until the work has stopped.
        bool cancelling = false;
        const auto stop = [&progress, &dialog, &cancelling, thread] {
            if (progress.cancel && !cancelling) {
                cancelling = true;
                progress.cancel();
                dialog.setLabelText(QStringLiteral("Cancelling..."));
            }
            if (!thread->isFinished())
                QTimer::singleShot(0, &dialog, [&dialog] { dialog.show(); });
        };
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, stop);
        QObject::connect(&dialog, &QDialog::rejected, &dialog, stop);
        const auto update = [&progress, &dialog] {
            const qint64 total = progress.total ? progress.total() : 0;
            if (total <= 0 || !progress.done)
                return;
            dialog.setMaximum(scaled(total, total));
            dialog.setValue(qMin(scaled(progress.done(), total), dialog.maximum()));
        };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &dialog, update);
        tick.start(100);
        update();
        dialog.show();
        while (!thread->isFinished())
            loop.exec();
    }
    thread->wait();
    delete thread;
    --running;
    if (failure)
        std::rethrow_exception(failure);
}
