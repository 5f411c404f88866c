#include "ftptask.h"

#include "ftpclient.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

namespace {
int showDelay = 400;
}

int CFtpTask::ShowDelay()
{
    return showDelay;
}

void CFtpTask::SetShowDelay(int milliseconds)
{
    showDelay = milliseconds;
}

bool CFtpTask::Run(QWidget *parent, CFtpClient *client, const QString &label, const std::function<bool()> &work)
{
    client->ResetAbort();
    bool result = false;
    QThread *thread = QThread::create([&result, &work] { result = work(); });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();

    // Input waits until the operation ends; painting and timers go on.
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &loop, &QEventLoop::quit);
    delay.start(showDelay);
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!thread->isFinished()) {
        QProgressDialog progress(label, QStringLiteral("Cancel"), 0, 0, parent);
        progress.setWindowTitle(QStringLiteral("FTP"));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QObject::connect(&progress, &QProgressDialog::canceled, &progress, [client, &progress] {
            client->RequestAbort();
            progress.setLabelText(QStringLiteral("Cancelling..."));
        });
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &progress, [client, &progress] {
            const qint64 total = client->BytesTotal();
            if (total > 0) {
                // Kilobytes keep the values within the dialog's int range.
                progress.setMaximum(int(qMin<qint64>(total / 1024 + 1, INT_MAX)));
                progress.setValue(int(qMin<qint64>(client->BytesDone() / 1024, progress.maximum())));
            }
        });
        tick.start(200);
        progress.show();
        while (!thread->isFinished())
            loop.exec();
    }
    thread->wait();
    delete thread;
    return result;
}
