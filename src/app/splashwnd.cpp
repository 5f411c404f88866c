#include "splashwnd.h"

#include "resources/commandicon.h"

#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

CSplashWnd::CSplashWnd(QWidget *owner, int period)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
                         | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("SplashWnd"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("SplashPicture"));
    picture->setPixmap(AboutPicture());
    picture->setFrameStyle(QFrame::Box | QFrame::Plain);
    picture->setLineWidth(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    adjustSize();

    if (owner)
        move(owner->geometry().center() - rect().center());
    show();
    m_timer.start(period, this);
}

void CSplashWnd::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timer.timerId())
        OnTimer();
    else
        QWidget::timerEvent(event);
}

void CSplashWnd::OnTimer()
{
    if (m_tickCount++ < m_limit)
        return;
    m_timer.stop();
    close();
}
