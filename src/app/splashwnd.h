#pragma once

#include <QBasicTimer>
#include <QWidget>

// The start-up picture: a small borderless window centred over the main window, which closes
// itself on the sixth tick of a one-second timer. It runs on the GUI thread like every widget;
// it takes no focus and lets clicks through, so it never stands in the user's way.
class CSplashWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int TimerPeriod = 1000;
    static constexpr int TickLimit = 5;

    // Shows the splash over `owner` at once and starts its timer.
    explicit CSplashWnd(QWidget *owner, int period = TimerPeriod);

    int TickCount() const { return m_tickCount; }
    // One timer tick: ticks 0 to 4 are counted; the sixth closes and deletes the window.
    void OnTimer();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QBasicTimer m_timer;
    int m_limit = TickLimit;
    int m_tickCount = 0;
};
