#include "resources/acceleratorresource.h"
#include "resources/commandicon.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"
#include "resources/stringtable.h"
#include "resources/toolbarresource.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTest>

namespace {

const QList<int> kMenus = {128, 130, 131, 172, 175, 176, 181, 219};
const QList<int> kToolbars = {128, 173, 182};

using Kind = MenuItemResource::Kind;

// Every command item of a menu, submenus included, in order.
void collectCommands(const QList<MenuItemResource> &items, QList<MenuItemResource> &out)
{
    for (const MenuItemResource &item : items) {
        if (item.kind == Kind::Command)
            out.append(item);
        else if (item.kind == Kind::Popup)
            collectCommands(item.items, out);
    }
}

QList<MenuItemResource> commandsOf(int menu)
{
    QList<MenuItemResource> out;
    collectCommands(MenuResource(menu), out);
    return out;
}

QSet<int> commandIdsOf(int menu)
{
    QSet<int> ids;
    for (const MenuItemResource &item : commandsOf(menu))
        ids.insert(item.id);
    return ids;
}

const MenuItemResource *findPopup(const QList<MenuItemResource> &items, const QString &text)
{
    for (const MenuItemResource &item : items) {
        if (item.kind == Kind::Popup && item.text == text)
            return &item;
    }
    return nullptr;
}

bool sameItems(const QList<MenuItemResource> &a, const QList<MenuItemResource> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].id != b[i].id || a[i].text != b[i].text
            || a[i].grayed != b[i].grayed || !sameItems(a[i].items, b[i].items))
            return false;
    }
    return true;
}

// Checks one popup level: separators only between items, commands with an id and a text,
// popups with entries; recurses into submenus. Returns a description of the first fault.
QString checkLevel(const QList<MenuItemResource> &items, const QString &where)
{
    if (items.isEmpty())
        return where + QStringLiteral(": empty popup");
    for (qsizetype i = 0; i < items.size(); ++i) {
        const MenuItemResource &item = items[i];
        const QString at = where + QLatin1Char('/') + (item.text.isEmpty() ? QString::number(i) : item.text);
        switch (item.kind) {
        case Kind::Separator:
            if (i == 0 || i == items.size() - 1 || items[i - 1].kind == Kind::Separator)
                return at + QStringLiteral(": separator at an edge or doubled");
            if (item.id != 0 || !item.text.isEmpty() || !item.items.isEmpty())
                return at + QStringLiteral(": separator with content");
            break;
        case Kind::Command:
            if (!CommandName(item.id))
                return at + QStringLiteral(": unknown command %1").arg(item.id);
            if (item.text.isEmpty() || !item.items.isEmpty())
                return at + QStringLiteral(": command without text or with entries");
            break;
        case Kind::Popup:
            if (item.id != 0 || item.text.isEmpty())
                return at + QStringLiteral(": popup with an id or without text");
            if (const QString fault = checkLevel(item.items, at); !fault.isEmpty())
                return fault;
            break;
        }
    }
    return {};
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Command ids
    void commandIds_namedSortedAndUnique();
    void commandIds_everyReferencedIdIsKnown();

    // Menus
    void menus_wellFormed_data();
    void menus_wellFormed();
    void menus_shortcutTextsMatchAccelerators();
    void menus_documentMenuAddsDocumentCommands();
    void menus_editMenusOfTreeAndBrowserAreTheTreeMenu();
    void menus_onlyPlaceholderAndNodeListNewItemsStartGreyed();
    void menus_ftpPopupsInTheOrderTheDialogPicksThem();

    // Accelerators
    void accelerators_noDuplicateKeys_data();
    void accelerators_noDuplicateKeys();
    void accelerators_documentTableIsMainTablePlusSearchKeys();

    // Toolbars
    void toolbars_wellFormed_data();
    void toolbars_wellFormed();

    // Strings
    void strings_promptAndTooltip_data();
    void strings_promptAndTooltip();
    void strings_everyMenuAndToolbarFrameworkCommandHasAPrompt();
    void strings_messagesAndTemplate();
    void strings_keepQuotedTextsAsWritten();

    // Pictures
    void icons_everyToolbarCommandHasADistinctCrispPicture();
    void icons_noPictureForOtherCommandsAndNoStrayFiles();
    void icons_appIconAndAboutPicture();
};

void TestResources::commandIds_namedSortedAndUnique()
{
    const QList<int> ids = AllCommandIds();
    QVERIFY(ids.size() > 60);
    QSet<QByteArray> names;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i > 0)
            QVERIFY2(ids[i - 1] < ids[i], "ids ascend without duplicates");
        const char *name = CommandName(ids[i]);
        QVERIFY2(name && QByteArray(name).startsWith("ID_"), QByteArray::number(ids[i]));
        QVERIFY2(!names.contains(name), name);
        names.insert(name);
        QCOMPARE(CommandIdFromName(name), ids[i]);
        // 32900 and up: the program's own commands added after the first set (history, find, validation).
        const bool own = (ids[i] >= 32771 && ids[i] <= 32834) || (ids[i] >= 32900 && ids[i] < 34000);
        QVERIFY2(own || ids[i] >= 57600 || ids[i] == ID_FTP_UP_LEVEL, name);
    }
    QVERIFY(!ids.contains(ID_SEPARATOR));
    QCOMPARE(CommandName(ID_SEPARATOR), nullptr);
    QCOMPARE(CommandName(12345), nullptr);
    QCOMPARE(CommandIdFromName("ID_NO_SUCH_COMMAND"), 0);
    QCOMPARE(CommandIdFromName(nullptr), 0);
}

void TestResources::commandIds_everyReferencedIdIsKnown()
{
    for (int menu : kMenus) {
        for (int id : commandIdsOf(menu))
            QVERIFY2(CommandName(id), qPrintable(QStringLiteral("menu %1 id %2").arg(menu).arg(id)));
    }
    for (int toolbar : kToolbars) {
        for (int id : ToolbarButtons(toolbar))
            QVERIFY2(id == ID_SEPARATOR || CommandName(id), qPrintable(QString::number(id)));
    }
    for (int table : {128, 131}) {
        for (const AcceleratorResource &accel : AcceleratorTable(table))
            QVERIFY2(CommandName(accel.commandId), qPrintable(QString::number(accel.commandId)));
    }
}

void TestResources::menus_wellFormed_data()
{
    QTest::addColumn<int>("menu");
    for (int menu : kMenus)
        QTest::addRow("%d", menu) << menu;
}

void TestResources::menus_wellFormed()
{
    QFETCH(int, menu);
    const QList<MenuItemResource> &top = MenuResource(menu);
    QVERIFY(!top.isEmpty());
    for (const MenuItemResource &item : top)
        QVERIFY2(item.kind == Kind::Popup, "a menu resource holds popups at its top level");
    const QString fault = checkLevel(top, QString::number(menu));
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(MenuResource(999).isEmpty());
}

// An accelerator text shown beside a menu item must be a key that really sends that command.
void TestResources::menus_shortcutTextsMatchAccelerators()
{
    const QList<AcceleratorResource> &keys = AcceleratorTable(131);
    int checked = 0;
    for (int menu : kMenus) {
        for (const MenuItemResource &item : commandsOf(menu)) {
            const qsizetype tab = item.text.indexOf(QLatin1Char('\t'));
            if (tab < 0)
                continue;
            const QKeySequence shown = QKeySequence::fromString(item.text.mid(tab + 1), QKeySequence::PortableText);
            QVERIFY2(!shown.isEmpty(), qPrintable(item.text));
            // The document's Undo and Redo items show the keys of the standard commands, which the
            // document answers where the source text does not.
            const int sent = item.id == ID_EDIT_UNDO_EDIT ? ID_EDIT_UNDO : item.id == ID_EDIT_REDO_EDIT ? ID_EDIT_REDO : item.id;
            const bool sends = std::any_of(keys.cbegin(), keys.cend(), [&](const AcceleratorResource &a) {
                return a.key == shown && a.commandId == sent;
            });
            QVERIFY2(sends, qPrintable(QStringLiteral("menu %1: %2").arg(menu).arg(item.text)));
            ++checked;
        }
    }
    QVERIFY(checked >= 20);
}

void TestResources::menus_documentMenuAddsDocumentCommands()
{
    const QSet<int> withoutDocument = commandIdsOf(128);
    const QSet<int> withDocument = commandIdsOf(131);
    QVERIFY(withDocument.contains(withoutDocument));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_OPEN_FTP})
        QVERIFY(withoutDocument.contains(id));
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_WINDOW_SPLIT,
                   ID_WINDOW_CASCADE, ID_EDIT_CUT, ID_HELP_ONLINE}) {
        QVERIFY2(withDocument.contains(id) && !withoutDocument.contains(id), CommandName(id));
    }
    for (const char *popup : {"&Edit", "&Window"}) {
        QVERIFY(findPopup(MenuResource(131), QString::fromLatin1(popup)));
        QVERIFY(!findPopup(MenuResource(128), QString::fromLatin1(popup)));
    }
    // The same command keeps the same text wherever it stands in the two main menus.
    for (const MenuItemResource &item : commandsOf(128)) {
        for (const MenuItemResource &other : commandsOf(131)) {
            if (other.id == item.id)
                QCOMPARE(other.text, item.text);
        }
    }
}

// The main menu's "&Edit" shows the tree's commands until another pane takes the focus; the
// browser page uses the tree's menu under a number of its own.
void TestResources::menus_editMenusOfTreeAndBrowserAreTheTreeMenu()
{
    QVERIFY(sameItems(MenuResource(175), MenuResource(219)));
    const MenuItemResource *edit = findPopup(MenuResource(131), QStringLiteral("&Edit"));
    QVERIFY(edit);
    QVERIFY(sameItems(edit->items, MenuResource(175).first().items));
    for (int menu : {172, 175, 181, 219}) {
        QCOMPARE(MenuResource(menu).size(), 1);
        QCOMPARE(MenuResource(menu).first().text, QStringLiteral("&Edit"));
    }
    // The toolbar's view menu offers what the node list's "Arrange Icons" offers.
    const MenuItemResource *arrange = findPopup(MenuResource(172).first().items, QStringLiteral("Arrange Icons"));
    QVERIFY(arrange);
    QCOMPARE(MenuResource(130).size(), 1);
    QCOMPARE(MenuResource(130).first().text, QStringLiteral("VIEWS"));
    QVERIFY(sameItems(arrange->items, MenuResource(130).first().items));
}

void TestResources::menus_onlyPlaceholderAndNodeListNewItemsStartGreyed()
{
    for (int menu : kMenus) {
        QList<int> greyed;
        for (const MenuItemResource &item : commandsOf(menu)) {
            if (item.grayed)
                greyed.append(item.id);
        }
        QList<int> expected;
        if (menu == 128 || menu == 131)
            expected = {ID_FILE_MRU_FILE1};
        else if (menu == 172)
            expected = {ID_NEW_ATTRIBUTE, ID_NEW_COMMENT, ID_NEW_CDATA, ID_NEW_TEXT, ID_NEW_PROCESSING_INSTRUCTION};
        QCOMPARE(greyed, expected);
    }
}

void TestResources::menus_ftpPopupsInTheOrderTheDialogPicksThem()
{
    const QList<MenuItemResource> &popups = MenuResource(176);
    QStringList titles;
    for (const MenuItemResource &popup : popups)
        titles.append(popup.text);
    QCOMPARE(titles, (QStringList{"Files", "Dir", "Emtpy", "notused"}));
    // A file opens as a document, a directory is entered.
    QCOMPARE(popups[0].items.first().id, ID_FILE_OPEN);
    QCOMPARE(popups[1].items.first().id, ID_FTP_OPEN_DIRECTORY);
}

void TestResources::accelerators_noDuplicateKeys_data()
{
    QTest::addColumn<int>("table");
    QTest::newRow("main") << 128;
    QTest::newRow("document") << 131;
}

void TestResources::accelerators_noDuplicateKeys()
{
    QFETCH(int, table);
    const QList<AcceleratorResource> &keys = AcceleratorTable(table);
    QVERIFY(!keys.isEmpty());
    QSet<QString> seen;
    for (const AcceleratorResource &accel : keys) {
        QCOMPARE(accel.key.count(), 1);
        const QString text = accel.key.toString(QKeySequence::PortableText);
        QVERIFY2(!seen.contains(text), qPrintable(text));
        seen.insert(text);
    }
    QVERIFY(AcceleratorTable(999).isEmpty());
}

// Searching needs a document: its keys do nothing in the frame without one.
void TestResources::accelerators_documentTableIsMainTablePlusSearchKeys()
{
    const QList<AcceleratorResource> &main = AcceleratorTable(128);
    const QList<AcceleratorResource> &document = AcceleratorTable(131);
    QCOMPARE(document.size(), main.size() + 4);
    for (qsizetype i = 0; i < main.size(); ++i) {
        QCOMPARE(document[i].key, main[i].key);
        QCOMPARE(document[i].commandId, main[i].commandId);
    }
    const QList<QPair<QString, int>> added = {
        {QStringLiteral("Ctrl+F"), ID_EDIT_FIND},
        {QStringLiteral("Ctrl+H"), ID_EDIT_REPLACE},
        {QStringLiteral("F3"), ID_EDIT_FIND_NEXT},
        {QStringLiteral("Shift+F3"), ID_EDIT_FIND_PREVIOUS},
    };
    for (qsizetype i = 0; i < added.size(); ++i) {
        const AcceleratorResource &accel = document[main.size() + i];
        QCOMPARE(accel.key, QKeySequence::fromString(added[i].first, QKeySequence::PortableText));
        QCOMPARE(accel.commandId, added[i].second);
    }
}

void TestResources::toolbars_wellFormed_data()
{
    QTest::addColumn<int>("toolbar");
    for (int toolbar : kToolbars)
        QTest::addRow("%d", toolbar) << toolbar;
}

void TestResources::toolbars_wellFormed()
{
    QFETCH(int, toolbar);
    const QList<int> &buttons = ToolbarButtons(toolbar);
    QVERIFY(!buttons.isEmpty());
    QVERIFY(buttons.first() != ID_SEPARATOR && buttons.last() != ID_SEPARATOR);
    QSet<int> seen;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == ID_SEPARATOR) {
            QVERIFY2(toolbar != 173, "the menu-image strip has no separators");
            QVERIFY(buttons[i - 1] != ID_SEPARATOR);
            continue;
        }
        QVERIFY2(!seen.contains(buttons[i]), CommandName(buttons[i]));
        seen.insert(buttons[i]);
    }
    // The frame and the FTP dialog hang their view menu on this button's arrow.
    if (toolbar != 173)
        QVERIFY(seen.contains(ID_VIEW_NODE_TOOL));
    QVERIFY(ToolbarButtons(999).isEmpty());
}

void TestResources::strings_promptAndTooltip_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("prompt and tooltip") << ID_FILE_NEW << "Create a new document" << "New";
    QTest::newRow("prompt only") << ID_VIEW_LINEUP << "Arranges icons in a grid." << "";
    QTest::newRow("first recent file") << ID_FILE_MRU_FILE1 << "Open this document" << "";
    QTest::newRow("last recent-file slot") << 57631 << "Open this document" << "";
    QTest::newRow("no string") << ID_EDIT_RENAME << "" << "";
    QTest::newRow("unknown id") << 4242 << "" << "";
}

void TestResources::strings_promptAndTooltip()
{
    QFETCH(int, id);
    QFETCH(QString, prompt);
    QFETCH(QString, tooltip);
    QCOMPARE(CommandPrompt(id), prompt);
    QCOMPARE(CommandTooltip(id), tooltip);
    QCOMPARE(HasResString(id), !prompt.isEmpty());
}

// The framework's commands all come with prompts. The one gap is known: the string table has no
// prompt for Tile, so its status bar stays empty, as it always did.
void TestResources::strings_everyMenuAndToolbarFrameworkCommandHasAPrompt()
{
    QSet<int> used;
    for (int menu : kMenus)
        used.unite(commandIdsOf(menu));
    for (int toolbar : {128, 182}) {
        for (int id : ToolbarButtons(toolbar))
            used.insert(id);
    }
    QList<int> missing;
    for (int id : used) {
        if (id >= 57600 && CommandPrompt(id).isEmpty())
            missing.append(id);
        // A status-bar string holds at most a prompt and a tooltip.
        QVERIFY(LoadResString(id).count(QLatin1Char('\n')) <= 1);
    }
    QCOMPARE(missing, QList<int>{ID_WINDOW_TILE_HORZ});
    for (int id : ToolbarButtons(128)) {
        if (id >= 57600)
            QVERIFY2(!CommandTooltip(id).isEmpty(), CommandName(id));
    }
}

void TestResources::strings_messagesAndTemplate()
{
    for (int id = 61446; id <= 61470; ++id) {
        if (id == 61451)
            continue;
        QVERIFY2(!LoadResString(id).trimmed().isEmpty(), qPrintable(QString::number(id)));
    }
    QVERIFY(!HasResString(61451));
    for (int id : {100, 57344, 57345, 59136, 59141, 61184, 61190, 61202, 61203})
        QVERIFY2(!LoadResString(id).isEmpty(), qPrintable(QString::number(id)));

    // The template string names the window title the frame shows, and the file filter.
    QCOMPARE(LoadResString(128), LoadResString(131));
    const QStringList fields = LoadResString(IDS_DOCUMENT_TEMPLATE).split(QLatin1Char('\n'));
    QCOMPARE(fields.size(), 7);
    QCOMPARE(fields[0], LoadResString(IDS_APP_TITLE));
    QVERIFY(fields[3].contains(QStringLiteral("*") + fields[4].chopped(1)));
}

// These texts are shown exactly as they always were, misspellings included.
void TestResources::strings_keepQuotedTextsAsWritten()
{
    QCOMPARE(LoadResString(61454), QStringLiteral("A general application error has occured."));
    QCOMPARE(MenuResource(176)[2].text, QStringLiteral("Emtpy"));
    bool found = false;
    for (const MenuItemResource &item : commandsOf(172))
        found = found || (item.id == ID_NEW_PROCESSING_INSTRUCTION && item.text == QStringLiteral("Process Intruction"));
    QVERIFY(found);
    QCOMPARE(CommandTooltip(ID_VIEW_TOOLBAR), QStringLiteral("Toggle ToolBar"));
}

void TestResources::icons_everyToolbarCommandHasADistinctCrispPicture()
{
    QHash<QByteArray, int> pictures;
    for (int toolbar : kToolbars) {
        for (int id : ToolbarButtons(toolbar)) {
            if (id == ID_SEPARATOR)
                continue;
            const QIcon icon = CommandIcon(id);
            QVERIFY2(!icon.isNull(), CommandName(id));
            // Drawn for 16 by 15 buttons: that size exactly at 1x, twice it at 2x.
            const QImage one = icon.pixmap(QSize(16, 15), 1.0).toImage();
            const QImage two = icon.pixmap(QSize(16, 15), 2.0).toImage();
            QCOMPARE(one.size(), QSize(16, 15));
            QCOMPARE(two.size(), QSize(32, 30));
            int opaque = 0;
            for (int y = 0; y < one.height(); ++y) {
                for (int x = 0; x < one.width(); ++x)
                    opaque += qAlpha(one.pixel(x, y)) > 128;
            }
            QVERIFY2(opaque >= 12, CommandName(id));
            const QByteArray bits(reinterpret_cast<const char *>(one.constBits()), one.sizeInBytes());
            const int other = pictures.value(bits, id);
            QVERIFY2(other == id, qPrintable(QStringLiteral("%1 looks like %2").arg(CommandName(id), CommandName(other))));
            pictures.insert(bits, id);
        }
    }
}

void TestResources::icons_noPictureForOtherCommandsAndNoStrayFiles()
{
    QSet<int> onToolbars;
    for (int toolbar : kToolbars) {
        for (int id : ToolbarButtons(toolbar))
            onToolbars.insert(id);
    }
    onToolbars.remove(ID_SEPARATOR);
    for (int id : AllCommandIds()) {
        if (!onToolbars.contains(id))
            QVERIFY2(CommandIcon(id).isNull(), CommandName(id));
    }
    QVERIFY(CommandIcon(ID_SEPARATOR).isNull());
    // One drawing per command plus the program's icon and the About picture.
    CommandIcon(ID_FILE_NEW); // registers the pictures
    const QStringList files = QDir(QStringLiteral(":/treewright/icons")).entryList({QStringLiteral("*.svg")});
    QCOMPARE(files.size(), onToolbars.size() + 2);
}

void TestResources::icons_appIconAndAboutPicture()
{
    const QIcon app = AppIcon();
    QVERIFY(!app.isNull());
    for (int size : {16, 32, 64})
        QCOMPARE(app.pixmap(QSize(size, size), 1.0).size(), QSize(size, size));

    const QPixmap about = AboutPicture();
    QVERIFY(!about.isNull());
    QCOMPARE(about.deviceIndependentSize().toSize(), QSize(233, 100));
    // Something is drawn: the picture is not one flat colour.
    const QImage image = about.toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 5) {
        for (int x = 0; x < image.width(); x += 5)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY(colours.size() > 10);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
