#include "busyindicator.h"

#include "mainframe.h"
#include "treewrightapp.h"

#include <QStatusBar>

CBusyIndicator::CBusyIndicator(const QString &message, qint64 bytes)
{
    CTreewrightApp *app = CTreewrightApp::instance();
    CMainFrame *frame = app ? app->MainFrame() : nullptr;
    if (message.isEmpty() || bytes < LargeFileBytes || !frame || !frame->statusBar()->currentMessage().isEmpty())
        return;
    frame->statusBar()->showMessage(message);
    // Painted now: the work that follows keeps the event loop from painting it.
    frame->statusBar()->repaint();
    m_message = true;
}

CBusyIndicator::~CBusyIndicator()
{
    if (!m_message)
        return;
    if (CTreewrightApp *app = CTreewrightApp::instance(); app && app->MainFrame())
        app->MainFrame()->statusBar()->clearMessage();
}
