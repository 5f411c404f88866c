#include "resizabledockbar.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QResizeEvent>

namespace {

// Holds the bar's contents and proposes the bar's size for the side it is on.
class BarContents : public QWidget
{
public:
    BarContents(QWidget *contents, std::function<QSize()> proposal) : m_proposal(std::move(proposal))
    {
        contents->setParent(this);
        m_contents = contents;
    }
    QSize sizeHint() const override { return m_proposal(); }
    QSize minimumSizeHint() const override { return CResizableDockBar::MinimumSize; }

protected:
    void resizeEvent(QResizeEvent *) override { m_contents->setGeometry(rect()); }

private:
    QWidget *m_contents;
    std::function<QSize()> m_proposal;
};

} // namespace

CResizableDockBar::CResizableDockBar(const QString &title, QWidget *parent) : QDockWidget(title, parent)
{
    setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setMinimumSize(MinimumSize);
    // The window menu of the main window would show and hide the bar behind its owner's back.
    toggleViewAction()->setVisible(false);
    connect(this, &QDockWidget::topLevelChanged, this, &CResizableDockBar::OnTopLevelChanged);
}

void CResizableDockBar::SetContents(QWidget *contents)
{
    setWidget(new BarContents(contents, [this] {
        if (isFloating())
            return m_floatingSize;
        return IsDockedHorizontally() ? m_horizontalSize : m_verticalSize;
    }));
}

bool CResizableDockBar::IsDockedHorizontally() const
{
    auto *frame = qobject_cast<QMainWindow *>(parentWidget());
    if (!frame)
        return false;
    const Qt::DockWidgetArea area = frame->dockWidgetArea(const_cast<CResizableDockBar *>(this));
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

void CResizableDockBar::closeEvent(QCloseEvent *event)
{
    // The owner hides the bar when it handles the request; closing it here would leave the
    // owner believing it still shows.
    event->ignore();
    Q_EMIT closeRequested();
}

void CResizableDockBar::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    if (!isVisible())
        return;
    // Remember the size the user gave the bar on this side, to come back to it there.
    if (isFloating())
        return;
    if (IsDockedHorizontally())
        m_horizontalSize.setHeight(event->size().height());
    else
        m_verticalSize.setWidth(event->size().width());
}

void CResizableDockBar::OnTopLevelChanged(bool floating)
{
    // The first time it floats it takes the floating size; later the dock widget brings back
    // the size it last had floating.
    if (floating && !m_floatedBefore) {
        m_floatedBefore = true;
        resize(m_floatingSize);
    }
}
