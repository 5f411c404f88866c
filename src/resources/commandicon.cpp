#include "commandicon.h"

#include "commandids.h"
#include "toolbarresource.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// The resource file sits in a static library: referencing its initialiser keeps the linker from
// dropping it, and registers it before the first picture is looked up.
static void ensureResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

// Every command on the main toolbar, the FTP dialog's toolbar and the menu-image strip has a
// picture of our own, drawn for 16 by 15 buttons; being SVG, it stays sharp at any scale.
const QHash<int, const char *> &iconFiles()
{
    static const QHash<int, const char *> files = {
        {ID_FILE_NEW, "file-new"},
        {ID_FILE_OPEN, "file-open"},
        {ID_FILE_SAVE, "file-save"},
        {ID_FILE_PRINT, "file-print"},
        {ID_EDIT_CUT, "edit-cut"},
        {ID_EDIT_COPY, "edit-copy"},
        {ID_EDIT_PASTE, "edit-paste"},
        {ID_EDIT_FIND, "edit-find"},
        {ID_EDIT_FIND_NEXT, "edit-find-next"},
        {ID_EDIT_REPLACE, "edit-replace"},
        {ID_VIEW_NODE_TOOL, "view-node-tool"},
        {ID_VIEW_FILE_BROWSER, "view-file-browser"},
        {ID_FTP_UP_LEVEL, "ftp-up-level"},
        {ID_FTP_NEW_DIRECTORY, "ftp-new-directory"},
        {ID_EDIT_PROPERTIES, "edit-properties"},
        {ID_WINDOW_NEW, "window-new"},
        {ID_WINDOW_CASCADE, "window-cascade"},
        {ID_WINDOW_TILE_HORZ, "window-tile"},
        {ID_APP_ABOUT, "app-about"},
        {ID_NEW_ATTRIBUTE, "new-attribute"},
        {ID_NEW_COMMENT, "new-comment"},
        {ID_NEW_CDATA, "new-cdata"},
        {ID_NEW_PROCESSING_INSTRUCTION, "new-processing-instruction"},
        {ID_NEW_TEXT, "new-text"},
        {ID_EDIT_DELETE, "edit-delete"},
        {ID_EDIT_UNDO, "edit-undo"},
        {ID_EDIT_UNDO_EDIT, "document-undo"},
        {ID_EDIT_REDO_EDIT, "document-redo"},
        {ID_VIEW_DETAILS, "view-details"},
        {ID_VIEW_LIST, "view-list"},
        {ID_VIEW_LARGEICON, "view-large-icons"},
        {ID_VIEW_SMALLICON, "view-small-icons"},
        {ID_FTP_DELETE, "ftp-delete"},
        {ID_FTP_SEND_TO_NOTEPAD, "ftp-send-to-notepad"},
        {ID_EDIT_NEW_CHILD, "new-child"},
        {ID_EDIT_NEW_SIBLING, "new-sibling"},
        {ID_EDIT_FONT, "edit-font"},
        {ID_TOOLS_VALIDATE, "tools-validate"},
    };
    return files;
}

// The commands the freedesktop icon naming scheme has a name for take the desktop's icon theme's
// picture, so that the program looks like the rest of the desktop; the others (new child node,
// CDATA, the list-view modes, ...) and every command under a theme without that name keep ours.
const QHash<int, const char *> &themeNames()
{
    static const QHash<int, const char *> names = {
        {ID_FILE_NEW, "document-new"},
        {ID_FILE_OPEN, "document-open"},
        {ID_FILE_SAVE, "document-save"},
        {ID_FILE_PRINT, "document-print"},
        {ID_EDIT_CUT, "edit-cut"},
        {ID_EDIT_COPY, "edit-copy"},
        {ID_EDIT_PASTE, "edit-paste"},
        {ID_EDIT_FIND, "edit-find"},
        {ID_EDIT_REPLACE, "edit-find-replace"},
        {ID_EDIT_DELETE, "edit-delete"},
        {ID_EDIT_UNDO, "edit-undo"},
        {ID_EDIT_PROPERTIES, "document-properties"},
        {ID_EDIT_FONT, "preferences-desktop-font"},
        {ID_WINDOW_NEW, "window-new"},
        {ID_APP_ABOUT, "help-about"},
        {ID_FTP_UP_LEVEL, "go-up"},
        {ID_FTP_NEW_DIRECTORY, "folder-new"},
        {ID_FTP_DELETE, "edit-delete"},
    };
    return names;
}

QString iconPath(const char *name)
{
    return QStringLiteral(":/treewright/icons/%1.svg").arg(QLatin1String(name));
}

} // namespace

QIcon CommandIcon(int commandId)
{
    ensureResources();
    // QIcon shares its data, so the cache hands out cheap copies and each file is parsed once.
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(commandId);
    if (cached != cache.cend())
        return *cached;
    const char *name = iconFiles().value(commandId);
    const QIcon own = name ? QIcon(iconPath(name)) : QIcon();
    const char *themeName = themeNames().value(commandId);
    const QIcon icon = themeName ? QIcon::fromTheme(QLatin1String(themeName), own) : own;
    cache.insert(commandId, icon);
    return icon;
}

QIcon ToolbarPicture(int toolbarId, int commandId)
{
    if (commandId == ID_SEPARATOR || !ToolbarButtons(toolbarId).contains(commandId))
        return QIcon();
    return CommandIcon(commandId);
}

QIcon AppIcon()
{
    ensureResources();
    return QIcon::fromTheme(QStringLiteral("org.treewright.Treewright"), QIcon(iconPath("app")));
}

QPixmap AboutPicture()
{
    ensureResources();
    const QSize logicalSize(233, 100);
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture(logicalSize * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    QSvgRenderer renderer(iconPath("about"));
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(QPointF(0, 0), logicalSize));
    return picture;
}
