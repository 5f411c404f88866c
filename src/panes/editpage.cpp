#include "editpage.h"

#include "pagedsourceview.h"
#include "sourceedit.h"

#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "framework/backgroundtask.h"
#include "framework/cmdui.h"
#include "framework/comerror.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"
#include "resources/commandids.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include <cstring>

namespace {

// The menu resource of the source text's context menu and "&Edit" menu.
constexpr int SourceEditMenu = 181;

// Measured on a generated data document of 100 MiB (2 cores): QScintilla alone takes the text
// in 2.7 s and holds 420 MiB for it, about four bytes for every byte of text (the text, a style
// byte for each character, its line index, the UTF-8 copy it is given). Up to this size that is a
// wait of a few seconds and some hundred MiB beside the tree, worth paying to edit the text
// itself; beyond it the cost grows to tens of seconds and gigabytes (4 GiB at 1 GiB), so larger
// documents are shown paged, in milliseconds and in nothing but mapped pages of the file.
qint64 s_pagedViewBytes = 128 * 1024 * 1024;

QString formatSize(qint64 bytes)
{
    constexpr double MiB = 1024.0 * 1024.0;
    if (bytes >= 1024 * MiB)
        return QStringLiteral("%1 GB").arg(bytes / (1024 * MiB), 0, 'f', 1);
    if (bytes >= MiB)
        return QStringLiteral("%1 MB").arg(bytes / MiB, 0, 'f', 0);
    return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
}

// Whether the document's file holds its text as it stands: unedited and unchanged on disk, the
// document saves to the very bytes it was read from.
bool fileHoldsText(CWorkSpaceDoc &document)
{
    return !document.IsUntitled() && !document.IsModified()
           && document.CheckDiskChange() == CWorkSpaceDoc::DiskChange::None;
}

} // namespace

qint64 CEditPage::PagedViewBytes()
{
    return s_pagedViewBytes;
}

void CEditPage::SetPagedViewBytes(qint64 bytes)
{
    s_pagedViewBytes = bytes;
}

CEditPage::CEditPage(QWidget *parent)
    : CSheetPage(QStringLiteral("Source"), parent), m_editor(new CSourceEdit(this)), m_banner(new QLabel(this)),
      m_paged(new CPagedSourceView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_banner);
    layout->addWidget(m_editor);
    layout->addWidget(m_paged);
    setFocusProxy(m_editor);

    m_banner->setObjectName(QStringLiteral("readOnlyBanner"));
    m_banner->setWordWrap(true);
    m_banner->setTextFormat(Qt::PlainText);
    m_banner->setMargin(6);
    m_banner->setAutoFillBackground(true);
    m_banner->setBackgroundRole(QPalette::ToolTipBase);
    m_banner->setForegroundRole(QPalette::ToolTipText);
    m_banner->hide();
    m_paged->hide();
    m_paged->SetDisplayFont(m_editor->DisplayFont());
    connect(m_paged, &CPagedSourceView::focusGained, this, [this] { NotifyPaneFocus(this, SourceEditMenu); });

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
    // The file's size stands for the text's: an edit seldom changes it by much, and the text's
    // own size is not known before it is written out.
    const qint64 size = document->IsUntitled() ? 0 : QFileInfo(document->GetPathName()).size();
    if (size >= s_pagedViewBytes) {
        ShowPagedText(*document);
        return;
    }
    ShowEditor();
    if (fileHoldsText(*document) && ResetTextFromFile(document->GetPathName()))
        return;
    try {
        const XmlDocument &dom = *document->GetDOMDocument();
        // Written out straight in the editor's own encoding, whatever the document is saved in.
        m_editor->ResetText(dom.xmlUtf8());
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Error Loading Document."), error);
    }
}

bool CEditPage::ResetTextFromFile(const QString &path)
{
    // The editor's text is UTF-8 with LF line breaks: a file in that form is handed over as it is
    // mapped, without writing the tree out to a copy first.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;
    const qint64 size = file.size();
    const char *data = reinterpret_cast<const char *>(file.map(0, size));
    if (!data)
        return false;
    QString encoding;
    const QByteArray head = QByteArray::fromRawData(data, qsizetype(std::min<qint64>(size, 4096)));
    const bool utf8 = CPagedText::IsAsciiCompatible(head, &encoding)
                      && encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0
                      && !head.startsWith("\xEF\xBB\xBF") && !std::memchr(data, '\r', size_t(size));
    if (utf8)
        m_editor->ResetText(QByteArray::fromRawData(data, qsizetype(size)));
    file.unmap(reinterpret_cast<uchar *>(const_cast<char *>(data)));
    return utf8;
}

void CEditPage::ShowEditor()
{
    if (!m_pagedShown)
        return;
    m_pagedShown = false;
    m_paged->Close();
    m_paged->hide();
    m_banner->hide();
    m_editor->show();
    setFocusProxy(m_editor);
}

void CEditPage::ShowPagedText(CWorkSpaceDoc &document)
{
    // The editor lets its text go: the two never hold the document at the same time.
    m_editor->ResetText(QByteArray());
    m_paged->Close();
    const QString file = document.GetPathName();
    QFile head(file);
    const bool fileIsText = fileHoldsText(document) && head.open(QIODevice::ReadOnly)
                            && CPagedText::IsAsciiCompatible(head.read(4096));
    head.close();
    QString path = file;
    QString error;
    bool shown = false;
    try {
        if (!fileIsText)
            path = WriteTextFile(document, QFileInfo(file).size());
        shown = m_paged->Open(path, &error);
    } catch (const CComError &comError) {
        error = comError.errorMessage();
    }
    // Mapped, a file of the page's own needs no name any more; its bytes go when the view closes.
    if (!fileIsText && !path.isEmpty())
        QFile::remove(path);
    if (!shown)
        ShowMessageText(QStringLiteral("The text of the document cannot be shown.\n\n%1").arg(error), MB::IconInformation);

    m_banner->setText(QStringLiteral("This document is too large to edit as text here (%1). The text is shown "
                                     "read-only; edit the document in the tree.")
                          .arg(formatSize(shown ? m_paged->Text().Size() : QFileInfo(file).size())));
    const bool hadFocus = m_editor->hasFocus();
    m_pagedShown = true;
    m_editor->hide();
    m_banner->show();
    m_paged->show();
    setFocusProxy(m_paged);
    if (hadFocus)
        m_paged->setFocus();
}

QString CEditPage::WriteTextFile(CWorkSpaceDoc &document, qint64 size)
{
    QString path;
    {
        // Made and opened in one step, so that no other file of that name is overwritten.
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/TWRXXXXXX.xml"));
        file.setAutoRemove(false);
        if (!file.open())
            throw CComError(ComCode::AccessDenied, file.errorString());
        path = file.fileName();
    }
    try {
        const XmlDocument &dom = *document.GetDOMDocument();
        const auto save = [&dom, &path] { dom.save(path); };
        if (size >= CBackgroundTask::LargeWorkBytes())
            CBackgroundTask::Run(this, QStringLiteral("Treewright"), QStringLiteral("Preparing the text..."), save, {});
        else
            save();
        QFile written(path);
        if (!written.open(QIODevice::ReadOnly))
            throw CComError(ComCode::Fail, written.errorString());
        if (!CPagedText::IsAsciiCompatible(written.read(4096))) {
            // A document saved in UTF-16 or UTF-32 is shown from its text in UTF-8.
            written.close();
            QSaveFile utf8(path);
            const QByteArray bytes = dom.xmlUtf8();
            if (!utf8.open(QIODevice::WriteOnly) || utf8.write(bytes) != bytes.size() || !utf8.commit())
                throw CComError(ComCode::Fail, utf8.errorString());
        }
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return path;
}

bool CEditPage::CommitSource()
{
    // The paged view changes nothing.
    if (m_pagedShown || !m_editor->IsTextModified())
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
    if (m_pagedShown) {
        // The font is the editor's, chosen through it, and shown by both.
        if (id == ID_EDIT_FONT) {
            m_editor->OnCommand(id);
            m_paged->SetDisplayFont(m_editor->DisplayFont());
            return true;
        }
        return m_paged->OnCommand(id) || CSheetPage::OnCommand(id);
    }
    return m_editor->OnCommand(id) || CSheetPage::OnCommand(id);
}

bool CEditPage::OnUpdateCommand(CCmdUI *ui)
{
    if (m_pagedShown) {
        if (ui->Id() == ID_EDIT_FONT)
            return m_editor->OnUpdateCommand(ui);
        return m_paged->OnUpdateCommand(ui) || CSheetPage::OnUpdateCommand(ui);
    }
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
