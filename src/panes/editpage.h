#pragma once

#include "sheetpage.h"

class CPagedSourceView;
class CSourceEdit;
class CWorkSpaceDoc;
class QLabel;

// The "Source" page: the whole document as XML text in a CSourceEdit. The text is read from the
// document when the page first shows and whenever an edit elsewhere made it stale. Changed text
// goes back to the document when the user leaves the page for another pane or window of the
// program, and when the frame asks for it before it saves, prints or closes: the document takes
// the text as its new tree in one edit, and every view is told.
// A document of PagedViewBytes or more is shown read-only in a CPagedSourceView instead, under a
// banner that says why: the editor would hold several times the document's size.
class CEditPage : public CSheetPage
{
    Q_OBJECT

public:
    explicit CEditPage(QWidget *parent = nullptr);
    ~CEditPage() override;

    CSourceEdit *Editor() const { return m_editor; }
    CPagedSourceView *PagedView() const { return m_paged; }
    QLabel *Banner() const { return m_banner; }
    bool IsShowingPagedView() const { return m_pagedShown; }

    // Documents whose file has at least this many bytes are shown in the paged view.
    static qint64 PagedViewBytes();
    static void SetPagedViewBytes(qint64 bytes);

    // Puts the document's whole text into the editor, emptying its undo history.
    void ReloadText();
    // Hands the editor's changed text to the document. True when nothing had changed or the
    // document took the text. False when the text could not be written or does not parse:
    // then, after the report, the document stays as it was and the text stays in the editor,
    // still counted as changed, so that the user can mend it.
    bool CommitSource();

    bool CommitPendingEdits() override { return CommitSource(); }
    void DiscardPendingEdits() override;
    void OnKickIdle() override;
    void OnSetActive() override;
    bool OnKillActive() override;

    // The editor is offered every command first, then the page.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI *ui) override;

protected:
    void showEvent(QShowEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void OnFocusChanged(QWidget *now);
    bool IsOwnWidget(const QWidget *widget) const;
    void CommitOnLeave();
    bool CommitText();
    void ShowEditor();
    // Puts the file's bytes into the editor when they are its text as the editor takes it.
    bool ResetTextFromFile(const QString &path);
    void ShowPagedText(CWorkSpaceDoc &document);
    // A file holding the document's current text for the paged view; throws CComError.
    QString WriteTextFile(CWorkSpaceDoc &document, qint64 size);

    CSourceEdit *m_editor;
    QLabel *m_banner;
    CPagedSourceView *m_paged;
    bool m_pagedShown = false;
    QMetaObject::Connection m_focusConnection;
    // The editor does not show the document's current text yet.
    bool m_textBehind = true;
    // The focus was last seen in the page or in one of the editor's own dialogs.
    bool m_focusInside = false;
    bool m_committing = false;
    // The document refused the text as it stands; leaving the page does not offer it again
    // until it changes.
    bool m_rejected = false;
};
