#include "imagemenustyle.h"

#include "imagemenu.h"

#include <QApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionMenuItem>
#include <qdrawutil.h>

namespace {

const int PictureWidth = CImageMenu::PictureWidth;
const int PictureHeight = CImageMenu::PictureHeight;

// The menu's colours, always those of the active group: a disabled item is told apart by its
// embossing, not by another palette.
struct MenuColours
{
    explicit MenuColours(const QPalette &palette)
        : background(palette.color(QPalette::Active, QPalette::Window)),
          text(palette.color(QPalette::Active, QPalette::WindowText)),
          highlight(palette.color(QPalette::Active, QPalette::Highlight)),
          highlightText(palette.color(QPalette::Active, QPalette::HighlightedText)),
          face(palette.color(QPalette::Active, QPalette::Button)),
          light(palette.color(QPalette::Active, QPalette::Light)),
          midlight(palette.color(QPalette::Active, QPalette::Midlight)),
          shadow(palette.color(QPalette::Active, QPalette::Dark)),
          grayText(palette.color(QPalette::Disabled, QPalette::WindowText))
    {
    }
    QColor background, text, highlight, highlightText, face, light, midlight, shadow, grayText;
};

// A one-pixel frame: `topLeft` on the top and left edges, `bottomRight` on the others.
void draw3dRect(QPainter *painter, const QRect &rect, const QColor &topLeft, const QColor &bottomRight)
{
    painter->fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
    painter->fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
    painter->fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
    painter->fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
}

bool near(QRgb pixel, const QColor &colour)
{
    return qAbs(qRed(pixel) - colour.red()) <= 24 && qAbs(qGreen(pixel) - colour.green()) <= 24
        && qAbs(qBlue(pixel) - colour.blue()) <= 24;
}

QImage tinted(const QImage &shape, const QColor &colour)
{
    QImage result = shape;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    return result;
}

// A disabled picture: its shape (every pixel that is neither the face colour nor the light
// colour) in the light colour one pixel right and down, then in the shadow colour in place.
void drawEmbossed(QPainter *painter, const QIcon &icon, const QPoint &at, qreal ratio, const MenuColours &colours)
{
    const QImage picture = icon.pixmap(QSize(PictureWidth, PictureHeight), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shape(picture.size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    for (int y = 0; y < picture.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(shape.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = line[x];
            if (qAlpha(pixel) >= 128 && !near(pixel, colours.face) && !near(pixel, Qt::white))
                out[x] = 0xff000000;
        }
    }
    shape.setDevicePixelRatio(picture.devicePixelRatio());
    painter->drawImage(at + QPoint(1, 1), tinted(shape, colours.light));
    painter->drawImage(at, tinted(shape, colours.shadow));
}

// The check mark: seven columns of three pixels, the lowest in the third column.
void drawCheckMark(QPainter *painter, const QPoint &at, const QColor &colour)
{
    static const int firstRow[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int x = 0; x < 7; ++x)
        painter->fillRect(at.x() + x, at.y() + firstRow[x], 1, 3, colour);
}

void drawBullet(QPainter *painter, const QPoint &at, const QColor &colour)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    painter->drawEllipse(QRectF(at, QSizeF(6, 6)));
    painter->restore();
}

void drawSubmenuArrow(QPainter *painter, const QRect &area, const QColor &colour)
{
    const int x = area.center().x() - 2;
    const int y = area.center().y();
    for (int column = 0; column < 4; ++column)
        painter->fillRect(x + column, y - 3 + column, 1, 7 - 2 * column, colour);
}

} // namespace

CImageMenuStyle::CImageMenuStyle() = default;

CImageMenuStyle *CImageMenuStyle::Instance()
{
    static QPointer<CImageMenuStyle> style;
    if (!style) {
        style = new CImageMenuStyle;
        style->setParent(qApp);
    }
    return style;
}

int CImageMenuStyle::MenuHeight(const QFontMetrics &metrics)
{
    return metrics.height() + 6;
}

bool CImageMenuStyle::ShowMnemonics(const QStyleOption *option, const QWidget *widget) const
{
    return proxy()->styleHint(SH_UnderlineShortcut, option, widget) != 0;
}

QSize CImageMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                        const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const int menuHeight = MenuHeight(item->fontMetrics);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(size.width(), menuHeight / 2);
    // The picture column and the gap before the text, the text, and a column on the right for
    // the submenu arrow and the space before the shortcut texts.
    return QSize(size.width() + 2 * PictureWidth + 1 + PictureWidth, qMax(PictureHeight + 4, menuHeight));
}

int CImageMenuStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                               QStyleHintReturn *returnData) const
{
    // The mouse highlights a disabled item too; its text then shows in the background colour.
    if (hint == SH_Menu_AllowActiveAndDisabled)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

int CImageMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    switch (metric) {
    case PM_MenuPanelWidth:
        return 2;
    case PM_MenuHMargin:
        return 1;
    case PM_MenuVMargin:
        return 2;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void CImageMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
    switch (element) {
    case PE_PanelMenu:
        painter->fillRect(option->rect, MenuColours(option->palette).background);
        return;
    case PE_FrameMenu:
        qDrawWinPanel(painter, option->rect, option->palette, false);
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void CImageMenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                  const QWidget *widget) const
{
    switch (element) {
    case CE_MenuItem:
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            DrawMenuItem(item, painter, widget);
            return;
        }
        break;
    case CE_MenuEmptyArea:
    case CE_MenuHMargin:
    case CE_MenuVMargin:
        painter->fillRect(option->rect, MenuColours(option->palette).background);
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void CImageMenuStyle::DrawMenuItem(const QStyleOptionMenuItem *item, QPainter *painter, const QWidget *widget) const
{
    const MenuColours colours(item->palette);
    const QRect rect = item->rect;
    const int left = rect.left();
    const int top = rect.top();
    painter->save();

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(rect, colours.background);
        const int middle = top + rect.height() / 2;
        painter->fillRect(left, middle - 1, rect.width(), 1, colours.shadow);
        painter->fillRect(left, middle, rect.width(), 1, colours.light);
        painter->restore();
        return;
    }

    const bool selected = item->state & State_Selected;
    const bool greyed = !(item->state & State_Enabled);
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    const bool hasPicture = !item->icon.isNull();
    // The density of what is painted on (a backing store, or an image a menu is rendered to).
    const QPaintDevice *target = painter->paintEngine() ? painter->paintEngine()->paintDevice() : painter->device();
    const qreal ratio = target ? target->devicePixelRatioF() : qApp->devicePixelRatio();

    // Background: the highlight leaves the picture column alone when there is something in it.
    QColor textColour = colours.text;
    painter->fillRect(rect, colours.background);
    if (selected) {
        QRect bar = rect;
        if (hasPicture || checked)
            bar.setLeft(left + PictureWidth + 5);
        painter->fillRect(bar, colours.highlight);
        textColour = colours.highlightText;
    }

    // The picture box, centred vertically.
    const int offset = qMax(0, (rect.height() - PictureHeight - 4) / 2);
    const QRect box(left + 1, top + offset + 1, PictureWidth + 2, PictureHeight + 2);
    const QPoint pictureAt(left + 2, top + offset + 2);
    if (hasPicture) {
        if (greyed) {
            painter->fillRect(box, colours.face);
            drawEmbossed(painter, item->icon, pictureAt, ratio, colours);
        } else {
            if (checked && !selected) {
                painter->fillRect(box, colours.midlight);
                draw3dRect(painter, box, colours.shadow, colours.light);
            } else {
                painter->fillRect(box, colours.background);
                if (selected)
                    draw3dRect(painter, box, checked ? colours.shadow : colours.light, checked ? colours.light : colours.shadow);
            }
            painter->drawPixmap(pictureAt, item->icon.pixmap(QSize(PictureWidth, PictureHeight), ratio));
        }
    } else if (checked) {
        const QRect checkBox(left + 1, top + offset + 2, PictureWidth, PictureHeight);
        painter->fillRect(checkBox, selected ? colours.background : colours.midlight);
        draw3dRect(painter, checkBox, colours.shadow, colours.light);
        const QColor mark = greyed ? colours.grayText : colours.text;
        if (item->checkType == QStyleOptionMenuItem::Exclusive)
            drawBullet(painter, QPoint(left + 6, top + offset + 6), mark);
        else
            drawCheckMark(painter, QPoint(left + 5, top + offset + 6), mark);
    }

    // The text: the label from the picture column on, the shortcut right-aligned before the
    // arrow column.
    QString label = item->text;
    QString shortcut;
    const qsizetype tab = label.lastIndexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        shortcut = label.mid(tab + 1);
        label.truncate(tab);
    }
    const QRect textArea(left + PictureWidth + 9, top, rect.right() - PictureWidth - (left + PictureWidth + 9), rect.height());
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | (ShowMnemonics(item, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    painter->setFont(item->font);
    auto drawTexts = [&](const QPoint &shift, const QColor &colour) {
        painter->setPen(colour);
        painter->drawText(textArea.translated(shift), flags | Qt::AlignLeft, label);
        if (!shortcut.isEmpty())
            painter->drawText(textArea.translated(shift), flags | Qt::AlignRight, shortcut);
    };
    if (!greyed) {
        drawTexts(QPoint(), textColour);
    } else if (selected) {
        drawTexts(QPoint(), colours.background);
    } else {
        drawTexts(QPoint(1, 1), colours.light);
        drawTexts(QPoint(), colours.grayText);
    }

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const QRect arrowArea(rect.right() - PictureWidth, top, PictureWidth, rect.height());
        drawSubmenuArrow(painter, arrowArea, greyed && !selected ? colours.grayText : textColour);
    }
    painter->restore();
}
