#include "acceleratorresource.h"

#include "commandids.h"

namespace {

AcceleratorResource key(QKeyCombination combination, int commandId)
{
    return {QKeySequence(combination), commandId};
}

QList<AcceleratorResource> mainTable()
{
    return {
        key(Qt::CTRL | Qt::Key_A, ID_EDIT_SELECT_ALL_TEXT),
        key(Qt::CTRL | Qt::Key_C, ID_EDIT_COPY),
        key(Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY),
        key(Qt::CTRL | Qt::Key_X, ID_EDIT_CUT),
        key(Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT),
        key(Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE),
        key(Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE),
        key(Qt::CTRL | Qt::Key_N, ID_FILE_NEW),
        key(Qt::CTRL | Qt::Key_O, ID_FILE_OPEN),
        key(Qt::CTRL | Qt::Key_P, ID_FILE_PRINT),
        key(Qt::CTRL | Qt::Key_S, ID_FILE_SAVE),
        key(Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO),
        key(Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO),
        key(Qt::CTRL | Qt::Key_Y, ID_EDIT_REDO),
        key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z, ID_EDIT_REDO),
        key(QKeyCombination(Qt::Key_Delete), ID_EDIT_DELETE),
        key(QKeyCombination(Qt::Key_F1), ID_HELP_ONLINE),
        key(QKeyCombination(Qt::Key_F6), ID_NEXT_PANE),
        key(Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE),
        // The desktop's key for quitting (a document window closes on Ctrl+W by itself).
        key(Qt::CTRL | Qt::Key_Q, ID_APP_EXIT),
    };
}

// Searching needs a document, so its keys exist only in document windows.
QList<AcceleratorResource> documentTable()
{
    QList<AcceleratorResource> table = mainTable();
    table.append(key(Qt::CTRL | Qt::Key_F, ID_EDIT_FIND));
    table.append(key(Qt::CTRL | Qt::Key_H, ID_EDIT_REPLACE));
    table.append(key(QKeyCombination(Qt::Key_F3), ID_EDIT_FIND_NEXT));
    table.append(key(Qt::SHIFT | Qt::Key_F3, ID_EDIT_FIND_PREVIOUS));
    return table;
}

} // namespace

const QList<AcceleratorResource> &AcceleratorTable(int resourceId)
{
    static const QList<AcceleratorResource> main = mainTable();
    static const QList<AcceleratorResource> document = documentTable();
    static const QList<AcceleratorResource> none;
    switch (resourceId) {
    case 128:
        return main;
    case 131:
        return document;
    default:
        return none;
    }
}
