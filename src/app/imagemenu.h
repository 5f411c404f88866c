#pragma once

#include <QList>
#include <QMenu>

// A popup menu that shows beside each command the picture of the toolbar button with the same
// command id, taken from the toolbar strips it was given (the first strip that has the command
// wins). Items whose command is on none of them, and items other code adds later (recent files,
// the window list), get no picture but keep its column, so every text starts at the same place.
// The look comes from CImageMenuStyle.
class CImageMenu : public QMenu
{
    Q_OBJECT

public:
    static constexpr int PictureWidth = 16;
    static constexpr int PictureHeight = 15;

    explicit CImageMenu(QWidget *parent = nullptr);
    explicit CImageMenu(const QString &title, QWidget *parent = nullptr);

    // Takes the pictures from these toolbar strips. False when one of them does not exist.
    bool LoadToolbars(const QList<int> &toolbarIds);
    const QList<int> &Toolbars() const { return m_toolbars; }
    // The strip `commandId`'s picture comes from, -1 when none.
    int PictureSource(int commandId) const;
    // The picture shown beside `action`; null when it has none.
    QIcon Picture(const QAction *action) const;

    // A popup for menus filled from menu resources: a submenu takes the strips of the image menu
    // it belongs to; any other popup those of all three strips.
    static QMenu *Create(const QString &title, QWidget *parent);

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;

private:
    QList<int> m_toolbars;
};
