#pragma once

#include <QString>

#include <functional>

class CFtpClient;
class QWidget;

// Runs one FTP operation off the user-interface thread. The window keeps painting but takes no
// input meanwhile, so operations run one at a time and in order; an operation that outlasts a
// moment shows a progress dialog whose Cancel makes the transfer give up.
class CFtpTask
{
public:
    // Runs `work` (which uses only `client`) and returns its result once it has finished.
    static bool Run(QWidget *parent, CFtpClient *client, const QString &label, const std::function<bool()> &work);

    // How long an operation runs before the progress dialog appears, in milliseconds.
    static int ShowDelay();
    static void SetShowDelay(int milliseconds);
};
