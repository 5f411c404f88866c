#include "editpage.h"

#include "sourceedit.h"

#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "framework/comerror.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

// The menu resource of the source text's context menu and "&Edit" menu.
constexpr int SourceEditMenu = 181;

} // namespace

CEditPage::CEditPage(QWidget *parent)
    : CSheetPage(QStringLiteral("Source"), parent), m_editor(new CSourceEdit(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_editor);
    setFocusProxy(m_editor);

    connect(m_editor, &CSourceEdit::focusGained, this, [this] { NotifyPaneFocus(this, SourceEditMenu); });
    connect(m_editor, &QsciScintilla::textChanged, this, [this] { m_rejected = false; });
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this,
                                [this](QWidget *, QWidget *now) { OnFocusChanged(now); });
}

CEditPage::~CEditPage()
{
    // The editor takes the focus with it when it is destroyed, after this page has stopped
    // being a CEditPage.
    disconnect(m_focusConnection);
}

void CEditPage::ReloadText()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document)
        return;
    m_textBehind = false;
    m_rejected = false;
    try {
        const XmlDocument &dom = *document->GetDOMDocument();
        // Written out straight in the editor's own encoding, whatever the document is saved in.
        m_editor->ResetText(dom.xmlUtf8());
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Error Loading Document."), error);
    }
}

bool CEditPage::CommitSource()
{
    if (!m_editor->IsTextModified())
        return true;
    return CommitText();
}

void CEditPage::DiscardPendingEdits()
{
    m_editor->SetTextModified(false);
    m_rejected = false;
    // The editor shows the document's own text again when it is next shown.
    m_textBehind = true;
}

void CEditPage::CommitOnLeave()
{
    // A text the document refused is offered again only once it changed, or when the frame asks.
    if (m_editor->IsTextModified() && !m_rejected)
        CommitText();
}

bool CEditPage::CommitText()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document || m_committing)
        return !document;
    const QScopedValueRollback<bool> committing(m_committing, true);
    // Cleared first, so that nothing that happens while the document takes the text commits it
    // a second time.
    m_editor->SetTextModified(false);
    if (!document->CommitSourceText(m_editor->RawText())) {
        // Reported by the document, which keeps its tree; the text stays here to be mended.
        m_editor->SetTextModified(true);
        m_rejected = true;
        return false;
    }
    m_rejected = false;
    // The document now differs from its file; its pages, this one least of all, need not read
    // it again for this change.
    document->SetPagesStale(false);
    return true;
}

void CEditPage::OnKickIdle()
{
    // The page's own commit notifies too: the text in the editor is what the document was just
    // given, or what it refused, and stays either way.
    if (m_committing || !GetDocument())
        return;
    if (GetDocument()->ArePagesStale())
        m_textBehind = true;
    // A hidden page catches up when it is shown.
    if (m_textBehind && isVisible())
        ReloadText();
}

void CEditPage::OnSetActive()
{
    if (!GetDocument())
        return;
    if (GetDocument()->ArePagesStale())
        m_textBehind = true;
    if (m_textBehind)
        ReloadText();
}

bool CEditPage::OnKillActive()
{
    CommitOnLeave();
    return true;
}

bool CEditPage::OnCommand(int id)
{
    return m_editor->OnCommand(id) || CSheetPage::OnCommand(id);
}

bool CEditPage::OnUpdateCommand(CCmdUI *ui)
{
    return m_editor->OnUpdateCommand(ui) || CSheetPage::OnUpdateCommand(ui);
}

void CEditPage::showEvent(QShowEvent *event)
{
    CSheetPage::showEvent(event);
    if (m_textBehind)
        ReloadText();
}

void CEditPage::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (CCommandManager *manager = CCommandManager::Instance())
        manager->ShowPopup(SourceEditMenu, event->globalPos(), this);
}

void CEditPage::OnFocusChanged(QWidget *now)
{
    // While the document takes the text, or while a dialog of the editor's own is up, the user
    // has not left the text. No widget at all means another program took the focus: the user
    // comes back to the text, or to wherever a click then puts the focus.
    if (!now || m_committing || m_editor->IsShowingOwnDialog())
        return;
    if (IsOwnWidget(now) || now->window()->windowType() == Qt::Popup) {
        m_focusInside = true;
        return;
    }
    if (!m_focusInside)
        return;
    m_focusInside = false;
    CommitOnLeave();
}

bool CEditPage::IsOwnWidget(const QWidget *widget) const
{
    // Across window boundaries: the editor's Find and Replace dialog and its font chooser are
    // windows of their own with the editor as parent.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}
