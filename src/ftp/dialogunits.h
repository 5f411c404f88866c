#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Converts dialog-template units into pixels for a widget's font: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its height. Windows laid
// out in these units keep their proportions with any font.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QWidget *widget);

    int X(int units) const { return (units * m_baseWidth + 2) / 4; }
    int Y(int units) const { return (units * m_baseHeight + 4) / 8; }
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }
    QRect Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

private:
    int m_baseWidth = 0;
    int m_baseHeight = 0;
};
