#pragma once

#include <QDockWidget>
#include <QSize>

// A bar that docks on any side of the main window or floats, and that the user resizes by its
// inner edge. Docking, floating and sizing are the dock widget's own; the bar adds its sizes
// (never smaller than the minimum when docked), floats on a double click on its title, and asks
// its owner through closeRequested() to hide it instead of closing itself, so the owner's
// command state stays in step.
class CResizableDockBar : public QDockWidget
{
    Q_OBJECT

public:
    explicit CResizableDockBar(const QString &title, QWidget *parent = nullptr);

    static constexpr QSize MinimumSize{32, 32};

    // The size it takes docked at the left or right (width used), at the top or bottom (height
    // used), and floating.
    QSize VerticalSize() const { return m_verticalSize; }
    QSize HorizontalSize() const { return m_horizontalSize; }
    QSize FloatingSize() const { return m_floatingSize; }

    // Puts `contents` in the bar, which then proposes the size of the side it is docked on.
    void SetContents(QWidget *contents);

Q_SIGNALS:
    // The close button was pressed.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void OnTopLevelChanged(bool floating);
    bool IsDockedHorizontally() const;

    QSize m_horizontalSize{200, 200};
    QSize m_verticalSize{200, 200};
    QSize m_floatingSize{200, 200};
    bool m_floatedBefore = false;
};
