#include "stringtable.h"

#include <QHash>

namespace {

// The template string's fields, in the framework's order: window title, document name, file-new
// name, filter name, filter extension, file type identifier, file type name.
const QString kDocumentTemplate = QStringLiteral(
    "Treewright\nXML File\nXML File\nXML File (*.xml)\n.xml;\nTreewright.Document\nTreewr Document");

// The page named in the parser question; the program parses with libxml2, so its home page.
const QString kParserPage = QStringLiteral("https://gitlab.gnome.org/GNOME/libxml2");

QHash<int, QString> buildTable()
{
    QHash<int, QString> s = {
        // Start-up and the document template
        {100, QStringLiteral("OLE initialization failed.  Make sure that the OLE libraries are the correct version.")},
        {128, kDocumentTemplate},
        {131, kDocumentTemplate},

        // Application title, idle text and status-bar indicators
        {57344, QStringLiteral("Treewright")},
        {57345, QStringLiteral("Ready")},
        {59136, QStringLiteral("EXT")},
        {59137, QStringLiteral("CAP")},
        {59138, QStringLiteral("NUM")},
        {59139, QStringLiteral("SCRL")},
        {59140, QStringLiteral("OVR")},
        {59141, QStringLiteral("REC")},

        // Command prompts and tooltips
        {57600, QStringLiteral("Create a new document\nNew")},
        {57601, QStringLiteral("Open an existing document\nOpen")},
        {57602, QStringLiteral("Close the active document\nClose")},
        {57603, QStringLiteral("Save the active document\nSave")},
        {57604, QStringLiteral("Save the active document with a new name\nSave As")},
        {57605, QStringLiteral("Change the printing options\nPage Setup")},
        {57606, QStringLiteral("Change the printer and printing options\nPrint Setup")},
        {57607, QStringLiteral("Print the active document\nPrint")},
        {57609, QStringLiteral("Display full pages\nPrint Preview")},
        {57632, QStringLiteral("Erase the selection\nErase")},
        {57633, QStringLiteral("Erase everything\nErase All")},
        {57634, QStringLiteral("Copy the selection and put it on the Clipboard\nCopy")},
        {57635, QStringLiteral("Cut the selection and put it on the Clipboard\nCut")},
        {57636, QStringLiteral("Find the specified text\nFind")},
        {57637, QStringLiteral("Insert Clipboard contents\nPaste")},
        {57640, QStringLiteral("Repeat the last action\nRepeat")},
        {57641, QStringLiteral("Replace specific text with different text\nReplace")},
        {57642, QStringLiteral("Select the entire document\nSelect All")},
        {57643, QStringLiteral("Undo the last action\nUndo")},
        {57644, QStringLiteral("Redo the previously undone action\nRedo")},
        {57649, QStringLiteral("Arrange icons at the bottom of the window\nArrange Icons")},
        {57650, QStringLiteral("Arrange windows so they overlap\nCascade Windows")},
        {57653, QStringLiteral("Split the active window into panes\nSplit")},
        {57664, QStringLiteral("Display program information, version number and copyright\nAbout")},
        {57665, QStringLiteral("Quit the application; prompts to save documents\nExit")},
        {57680, QStringLiteral("Switch to the next window pane\nNext Pane")},
        {57681, QStringLiteral("Switch back to the previous window pane\nPrevious Pane")},
        // Toolbar buttons that stand on no menu: their prompts and tooltips are the program's own.
        {32771, QStringLiteral("Change how the node list shows its items\nNode View")},
        {32804, QStringLiteral("Show or hide the file browser\nFile Browser")},
        {32900, QStringLiteral("Undo the last change to the document\nUndo")},
        {32901, QStringLiteral("Redo the change to the document that was undone last\nRedo")},
        {33000, QStringLiteral("Validate the document against its DTD or schema\nValidate")},
        {33001, QStringLiteral("Validate the document against a schema file you choose\nValidate Against Schema")},
        {33002, QStringLiteral("Go to the previous result\nFind Previous")},
        {33003, QStringLiteral("Show or hide the find results\nFind Results")},
        {33004, QStringLiteral("Show or hide the validation results\nValidation Results")},
        {59392, QStringLiteral("Show or hide the toolbar\nToggle ToolBar")},
        {59393, QStringLiteral("Show or hide the status bar\nToggle StatusBar")},
        {59408, QStringLiteral("Display items by using small icons.\nSmall Icons")},
        {59409, QStringLiteral("Display items by using large icons.\nLarge Icons")},
        {59410, QStringLiteral("Displays items in a list.\nList")},
        {59411, QStringLiteral("Displays detailed information about each item in the window.\nDetails")},
        {59412, QStringLiteral("Arranges icons in a grid.")},
        {59413, QStringLiteral("Sorts the icons alphabetically.")},

        // The window menu's system commands
        {61184, QStringLiteral("Change the window size")},
        {61185, QStringLiteral("Change the window position")},
        {61186, QStringLiteral("Reduce the window to an icon")},
        {61187, QStringLiteral("Enlarge the window to full size")},
        {61188, QStringLiteral("Switch to the next document window")},
        {61189, QStringLiteral("Switch to the previous document window")},
        {61190, QStringLiteral("Close the active window and prompts to save the documents")},
        {61202, QStringLiteral("Restore the window to normal size")},
        {61203, QStringLiteral("Activate Task List")},

        // Messages
        {61446, QStringLiteral("No item selected.")},
        {61447, QStringLiteral("Failed to create instance of Microsoft DOM Fragment.")},
        {61448, QStringLiteral("Cannot move element: The destination is a sub-element of the source element.")},
        {61449, QStringLiteral("This operation can not be performed on an attribute")},
        {61450, QStringLiteral("Unable to perform auto update.")},
        {61452, QStringLiteral("Microsoft XML v3.0 or greater is required. Please visit ") + kParserPage
                    + QStringLiteral(" \nand download the latest XML Parser or click YES to install v3.0 now?")},
        {61453, QStringLiteral("Failed to create instance of Microsoft XML DOM Parser.")},
        {61454, QStringLiteral("A general application error has occured.")},
        {61455, QStringLiteral("error saving file to ftp resource.")},
        {61456, QStringLiteral("failed to create directory.")},
        {61457, QStringLiteral("Error loading file.")},
        {61458, QStringLiteral("You are at the top level and cannot go up another level.")},
        {61459, QStringLiteral("Cannot go one level up.")},
        {61460, QStringLiteral("Unable to connect to server.")},
        {61461, QStringLiteral("Error in finding the directory.")},
        {61462, QStringLiteral("File not found.")},
        {61463, QStringLiteral("Unable to change directory.")},
        {61464, QStringLiteral("Failed to remove directory.")},
        {61465, QStringLiteral("Failed to remove file.")},
        {61466, QStringLiteral("The item selected was not found in the list.")},
        {61467, QStringLiteral("Unable to get the current directory.")},
        {61468, QStringLiteral("Properties for file not available.")},
        {61469, QStringLiteral("Unable to set the current directory.")},
        {61470, QStringLiteral("No file selected.")},
    };
    // The framework keeps one prompt for each of its sixteen recent-file slots.
    for (int id = 57616; id <= 57631; ++id)
        s.insert(id, QStringLiteral("Open this document"));
    return s;
}

const QHash<int, QString> &table()
{
    static const QHash<int, QString> strings = buildTable();
    return strings;
}

} // namespace

QString LoadResString(int id)
{
    return table().value(id);
}

bool HasResString(int id)
{
    return table().contains(id);
}

QString CommandPrompt(int id)
{
    const QString text = LoadResString(id);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? text : text.left(newline);
}

QString CommandTooltip(int id)
{
    const QString text = LoadResString(id);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : text.mid(newline + 1);
}
