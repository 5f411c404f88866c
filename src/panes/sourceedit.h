#pragma once

#include "framework/cmdtarget.h"

#include <QFont>
#include <QPointer>

// QScintilla's headers use Qt's keyword macros, which the program switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

#include "findreplacedlg.h"

class QsciLexerXML;

// The XML text editor of the Source page. Besides plain editing it handles the Source Edit
// commands (undo, cut, copy, paste, clear, select all, find, find next, replace, font), searches
// line by line with the Find and Replace dialog, shows the source text's context menu and tells
// its page when it gains the focus. The keys of the document windows' accelerator table are
// left to the accelerators, so they always run the commands.
class CSourceEdit : public QsciScintilla, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CSourceEdit(QWidget *parent = nullptr);
    ~CSourceEdit() override;

    // Replaces the whole text by `utf8`: caret and view at the top, the undo history emptied,
    // the text unchanged as far as IsTextModified knows.
    void ResetText(const QByteArray &utf8);
    // The whole text as UTF-8, not copied: valid only until the text next changes.
    QByteArray RawText() const;
    // Set by every change of the text since the last ResetText or SetTextModified(false).
    bool IsTextModified() const { return m_modified; }
    void SetTextModified(bool modified) { m_modified = modified; }

    QFont DisplayFont() const { return m_displayFont; }
    void SetDisplayFont(const QFont &font);

    // The search state; it outlives the dialog, so Find Next goes on after the dialog closed.
    QString SearchText() const { return m_searchText; }
    bool IsMatchCase() const { return m_matchCase; }
    bool IsSearchDown() const { return m_searchDown; }
    // Selects the next occurrence of the search text from the selection on, in the search
    // direction, line by line and never past either end of the text. Leaves the selection as it
    // was and answers false when there is none.
    bool Search();
    // Search, and tell the user when nothing was found.
    bool FindNextWithMessage();

    // The open Find or Replace dialog, or null.
    CFindReplaceDlg *FindDialog() const { return m_findDialog.data(); }
    // True while a message or dialog of the editor's own holds the focus (the font chooser, the
    // box that tells a search found nothing): the text is still being worked on.
    bool IsShowingOwnDialog() const { return m_ownDialogs > 0; }

Q_SIGNALS:
    void focusGained();

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void AddCommands();
    bool HasSelection() const;
    void SelectAllText();
    void OpenFindDialog(CFindReplaceDlg::Kind kind);
    void TakeDialogOptions();
    void OnDialogFindNext();
    void OnDialogReplace();
    void OnDialogReplaceAll();
    void ReplaceSelectionWithoutUndo(const QString &text);
    void SelectBytes(long start, long end);
    void ReturnFocusToText();
    void ChooseFont();

    QsciLexerXML *m_lexer;
    QFont m_displayFont;
    QPointer<CFindReplaceDlg> m_findDialog;
    QString m_searchText;
    bool m_matchCase = false;
    bool m_searchDown = true;
    bool m_noScroll = false;
    bool m_modified = false;
    bool m_resetting = false;
    int m_ownDialogs = 0;
};
