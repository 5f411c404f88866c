#pragma once

#include <QString>

// While it lives, for a large file, a message in the main window's status bar, so that opening or
// saving a large document shows it is at work. No busy pointer: a failure's message box may show
// meanwhile. Nested indicators show the outer message.
class CBusyIndicator
{
public:
    // `message` is shown when `bytes` (the size of the file worked on) is large.
    CBusyIndicator(const QString &message, qint64 bytes);
    ~CBusyIndicator();
    CBusyIndicator(const CBusyIndicator &) = delete;
    CBusyIndicator &operator=(const CBusyIndicator &) = delete;

    // Files from this size on get the status-bar message.
    static constexpr qint64 LargeFileBytes = 4 * 1024 * 1024;

private:
    bool m_message = false;
};
