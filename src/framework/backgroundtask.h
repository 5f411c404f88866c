#pragma once

#include <QString>

#include <functional>

class QWidget;

// Runs a long piece of work on a thread of its own while the window goes on painting. Input
// waits until the work ends, so that nothing the work reads changes under it and commands run
// one at a time; work that outlasts a moment shows a progress dialog, with Cancel where the
// work can stop early.
class CBackgroundTask
{
public:
    struct Progress
    {
        // Done and total amounts, read now and then on the waiting thread; a total of zero shows
        // a busy bar.
        std::function<qint64()> done;
        std::function<qint64()> total;
        // Called on the waiting thread when the user presses Cancel; without it there is no Cancel.
        std::function<void()> cancel;
    };

    // Runs `work` and returns once it has finished. An exception the work throws is thrown
    // again here, on the caller's thread.
    static void Run(QWidget *parent, const QString &title, const QString &label, const std::function<void()> &work,
                    const Progress &progress);

    // Runs `work` on a thread as Run does when `bytes` (the size of the data it works on) is
    // LargeWorkBytes() or more, and at once otherwise, where a dialog could only flash.
    static void RunSized(qint64 bytes, const QString &label, const std::function<void()> &work,
                         const Progress &progress = {});

    // Work on data of this many bytes or more goes to a thread.
    static qint64 LargeWorkBytes();
    static void SetLargeWorkBytes(qint64 bytes);

    // How long work runs before the progress dialog appears, in milliseconds.
    static int ShowDelay();
    static void SetShowDelay(int milliseconds);

    // True while some work runs: checks that would ask the user something wait for its end.
    static bool IsRunning();
};
