#pragma once

#include <QProxyStyle>

class QStyleOptionMenuItem;

// Draws the items of image menus in the classic raised-picture look: the picture beside the
// text in a box that is raised while the item is selected and sunken while it is checked, an
// embossed picture and text for a disabled item, and a check mark or bullet of its own for a
// checked item without a picture. Shortcut texts stand right-aligned in a column of their own.
// Everything else is the application style's.
class CImageMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // The one style all image menus share, owned by the application.
    static CImageMenuStyle *Instance();

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

    // The height of a text item, from the menu font.
    static int MenuHeight(const QFontMetrics &metrics);

private:
    CImageMenuStyle();
    void DrawMenuItem(const QStyleOptionMenuItem *item, QPainter *painter, const QWidget *widget) const;
    bool ShowMnemonics(const QStyleOption *option, const QWidget *widget) const;
};
