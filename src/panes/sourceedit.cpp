#include "sourceedit.h"

#include <QFontInfo>

#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "framework/filedialogs.h"
#include "framework/messagehelper.h"
#include "resources/acceleratorresource.h"
#include "resources/commandids.h"

#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexerxml.h>
#undef signals
#undef slots

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopeGuard>

namespace {

// The menu resource of the source text's context menu and "&Edit" menu.
constexpr int SourceEditMenu = 181;
// The accelerator table of document windows.
constexpr int DocumentAccelerators = 131;

bool isAcceleratorKey(const QKeyEvent *event)
{
    const QKeySequence key(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    for (const AcceleratorResource &accelerator : AcceleratorTable(DocumentAccelerators)) {
        if (accelerator.key == key)
            return true;
    }
    return false;
}

// The program's monospaced display font: Courier, a character cell of about 14 pixels.
QFont initialDisplayFont()
{
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // The editor takes font sizes in points only; 10 points is a cell of about 14 pixels.
    font.setPointSize(10);
    return font;
}

} // namespace

CSourceEdit::CSourceEdit(QWidget *parent)
    : QsciScintilla(parent), m_lexer(new QsciLexerXML(this))
{
    setUtf8(true);
    // Line breaks are LF, typed or pasted: no CR ever reaches the document.
    setEolMode(EolUnix);
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
    setWrapMode(WrapNone);
    for (int margin = 0; margin < 3; ++margin)
        setMarginWidth(margin, 0);
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    setLexer(m_lexer);
    SetDisplayFont(initialDisplayFont());

    connect(this, &QsciScintilla::textChanged, this, [this] {
        if (!m_resetting)
            m_modified = true;
    });
    AddCommands();
}

CSourceEdit::~CSourceEdit() = default;

void CSourceEdit::AddCommands()
{
    const auto withSelection = [this](CCmdUI *ui) { ui->Enable(HasSelection()); };
    const auto always = [](CCmdUI *ui) { ui->Enable(true); };
    AddCommand(ID_EDIT_UNDO, [this] { undo(); }, [this](CCmdUI *ui) { ui->Enable(isUndoAvailable()); });
    // The redo keys stay with the text too: the document's history is not the editor's.
    AddCommand(ID_EDIT_REDO, [this] { redo(); }, [this](CCmdUI *ui) { ui->Enable(isRedoAvailable()); });
    AddCommand(ID_EDIT_CUT, [this] { cut(); }, withSelection);
    AddCommand(ID_EDIT_COPY, [this] { copy(); }, withSelection);
    AddCommand(ID_EDIT_PASTE, [this] { paste(); }, [](CCmdUI *ui) {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        ui->Enable(data && data->hasText());
    });
    // Clear deletes the selection only; the clipboard keeps what it had.
    AddCommand(ID_EDIT_DELETE, [this] { replaceSelectedText(QString()); }, withSelection);
    AddCommand(ID_EDIT_SELECT_ALL_TEXT, [this] { SelectAllText(); }, [this](CCmdUI *ui) {
        const long length = SendScintilla(SCI_GETLENGTH);
        ui->Enable(SendScintilla(SCI_GETSELECTIONSTART) != 0 || SendScintilla(SCI_GETSELECTIONEND) != length);
    });
    AddCommand(ID_EDIT_FIND, [this] { OpenFindDialog(CFindReplaceDlg::Kind::Find); }, always);
    AddCommand(ID_EDIT_FIND_NEXT, [this] { FindNextWithMessage(); },
               [this](CCmdUI *ui) { ui->Enable(!m_searchText.isEmpty()); });
    AddCommand(ID_EDIT_REPLACE, [this] { OpenFindDialog(CFindReplaceDlg::Kind::Replace); }, always);
    AddCommand(ID_EDIT_FONT, [this] { ChooseFont(); }, always);
}

void CSourceEdit::ResetText(const QByteArray &utf8)
{
    m_resetting = true;
    // Without undo collection: the history would otherwise hold a copy of the whole text.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), utf8.constData());
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, 0);
    SendScintilla(SCI_SETXOFFSET, 0);
    m_resetting = false;
    m_modified = false;
}

QByteArray CSourceEdit::RawText() const
{
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto *text = static_cast<const char *>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return QByteArray::fromRawData(text, length);
}

void CSourceEdit::SetDisplayFont(const QFont &chosen)
{
    // A size in pixels would show as the editor's smallest size: it is turned into points.
    QFont font = chosen;
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / qMax(1, logicalDpiY()));
    // The family the system really shows for the one asked for ("Courier" is a name many systems
    // map to another), so that the font chooser opens on the font the text is shown in.
    font.setFamily(QFontInfo(font).family());
    m_displayFont = font;
    m_lexer->setDefaultFont(font);
    m_lexer->setFont(font);
}

bool CSourceEdit::HasSelection() const
{
    return SendScintilla(SCI_GETSELECTIONSTART) != SendScintilla(SCI_GETSELECTIONEND);
}

void CSourceEdit::SelectAllText()
{
    SendScintilla(SCI_SELECTALL);
    SendScintilla(SCI_SCROLLCARET);
}

bool CSourceEdit::event(QEvent *event)
{
    // A key of the accelerator table is a command of the page, never the editor's own binding:
    // Del with no selection, for one, must do nothing rather than delete a character.
    if (event->type() == QEvent::ShortcutOverride && isAcceleratorKey(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    return QsciScintilla::event(event);
}

void CSourceEdit::focusInEvent(QFocusEvent *event)
{
    Q_EMIT focusGained();
    QsciScintilla::focusInEvent(event);
}

void CSourceEdit::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (CCommandManager *manager = CCommandManager::Instance())
        manager->ShowPopup(SourceEditMenu, event->globalPos(), this);
}

bool CSourceEdit::Search()
{
    const QString &pattern = m_searchText;
    // An occurrence never spans a line break.
    if (pattern.isEmpty() || pattern.contains(QLatin1Char('\n')) || pattern.contains(QLatin1Char('\r')))
        return false;
    const Qt::CaseSensitivity cs = m_matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const long selectionStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long selectionEnd = SendScintilla(SCI_GETSELECTIONEND);
    const long lineCount = SendScintilla(SCI_GETLINECOUNT);
    const long step = m_searchDown ? 1 : -1;
    bool firstLine = true;
    for (long line = SendScintilla(SCI_LINEFROMPOSITION, selectionStart); line >= 0 && line < lineCount;
         line += step, firstLine = false) {
        const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, line);
        const long lineEnd = SendScintilla(SCI_GETLINEENDPOSITION, line);
        // The piece of the line to search, in bytes: on the first line only what lies after the
        // selection (down; nothing when the selection ends on a later line) or before it (up).
        long from = lineStart;
        long to = lineEnd;
        if (firstLine) {
            if (m_searchDown)
                from = qMin(selectionEnd, lineEnd);
            else
                to = selectionStart;
        }
        if (to - from < pattern.size())
            continue; // no room: a character never takes fewer UTF-8 bytes than UTF-16 units
        const auto *bytes = reinterpret_cast<const char *>(
            SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
        const QString piece = QString::fromUtf8(bytes, to - from);
        // Up: the occurrence nearest to the selection start, that is the last one before it.
        const qsizetype index = m_searchDown ? piece.indexOf(pattern, 0, cs) : piece.lastIndexOf(pattern, -1, cs);
        if (index < 0)
            continue;
        const QStringView text(piece);
        const long start = from + long(text.left(index).toUtf8().size());
        SelectBytes(start, start + long(text.mid(index, pattern.size()).toUtf8().size()));
        return true;
    }
    return false;
}

bool CSourceEdit::FindNextWithMessage()
{
    if (Search())
        return true;
    ++m_ownDialogs;
    const auto done = qScopeGuard([this] { --m_ownDialogs; });
    ShowMessageText(QStringLiteral("cannot find \"%1\"").arg(m_searchText), MB::IconInformation);
    return false;
}

void CSourceEdit::SelectBytes(long start, long end)
{
    // Setting anchor and caret does not scroll; the caret is scrolled into view unless a Replace
    // All is running through the text.
    SendScintilla(SCI_SETANCHOR, start);
    SendScintilla(SCI_SETCURRENTPOS, end);
    SendScintilla(SCI_CHOOSECARETX);
    if (!m_noScroll)
        SendScintilla(SCI_SCROLLCARET);
}

void CSourceEdit::ReplaceSelectionWithoutUndo(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    // A replacement cannot be undone, and what came before it no longer can either: the undo
    // history would not match the text.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0);
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), end);
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()), bytes.constData());
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1);
    const long caret = start + long(bytes.size());
    SelectBytes(caret, caret);
}

void CSourceEdit::OpenFindDialog(CFindReplaceDlg::Kind kind)
{
    // One dialog at a time, whichever kind is open.
    if (m_findDialog)
        return;
    auto *dialog = new CFindReplaceDlg(kind, this);
    connect(dialog, &CFindReplaceDlg::findNext, this, &CSourceEdit::OnDialogFindNext);
    connect(dialog, &CFindReplaceDlg::replace, this, &CSourceEdit::OnDialogReplace);
    connect(dialog, &CFindReplaceDlg::replaceAll, this, &CSourceEdit::OnDialogReplaceAll);
    m_findDialog = dialog;
    dialog->show();
}

void CSourceEdit::TakeDialogOptions()
{
    m_matchCase = m_findDialog->MatchCase();
    m_searchDown = m_findDialog->SearchDown();
    m_searchText = m_findDialog->FindText();
}

void CSourceEdit::OnDialogFindNext()
{
    if (!m_findDialog)
        return;
    TakeDialogOptions();
    m_noScroll = false;
    FindNextWithMessage();
    ReturnFocusToText();
}

void CSourceEdit::OnDialogReplace()
{
    if (!m_findDialog)
        return;
    TakeDialogOptions();
    const QString replacement = m_findDialog->ReplaceText();
    m_noScroll = false;
    // Replace searches first, from the selection on: it replaces the next occurrence.
    if (FindNextWithMessage())
        ReplaceSelectionWithoutUndo(replacement);
    ReturnFocusToText();
}

void CSourceEdit::OnDialogReplaceAll()
{
    if (!m_findDialog)
        return;
    TakeDialogOptions();
    const QString replacement = m_findDialog->ReplaceText();
    // From the top of the text and downwards, whatever the caret and the dialog say.
    m_noScroll = true;
    SendScintilla(SCI_GOTOPOS, 0);
    m_searchDown = true;
    while (Search())
        ReplaceSelectionWithoutUndo(replacement);
    m_noScroll = false;
    CFindReplaceDlg *dialog = m_findDialog.data();
    m_findDialog.clear();
    dialog->hide();
    dialog->close();
}

void CSourceEdit::ReturnFocusToText()
{
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void CSourceEdit::ChooseFont()
{
    ++m_ownDialogs;
    const auto done = qScopeGuard([this] { --m_ownDialogs; });
    if (const std::optional<QFont> chosen = FileDialogs::GetFont(this, m_displayFont))
        SetDisplayFont(*chosen);
}
