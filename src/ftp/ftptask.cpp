#include "ftptask.h"

#include "ftpclient.h"
#include "framework/backgroundtask.h"

int CFtpTask::ShowDelay()
{
    return CBackgroundTask::ShowDelay();
}

void CFtpTask::SetShowDelay(int milliseconds)
{
    CBackgroundTask::SetShowDelay(milliseconds);
}

bool CFtpTask::Run(QWidget *parent, CFtpClient *client, const QString &label, const std::function<bool()> &work)
{
    client->ResetAbort();
    bool result = false;
    CBackgroundTask::Progress progress;
    progress.done = [client] { return client->BytesDone(); };
    progress.total = [client] { return client->BytesTotal(); };
    progress.cancel = [client] { client->RequestAbort(); };
    CBackgroundTask::Run(parent, QStringLiteral("FTP"), label, [&result, &work] { result = work(); }, progress);
    return result;
}
