#include "browserpage.h"

#include "previewfile.h"
#include "webbrowser2.h"
#include "document/workspacedoc.h"
#include "framework/comerror.h"
#include "framework/panefocus.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The menu resource whose items the "&Edit" menu shows while the browser has the focus.
constexpr int BrowserEditMenu = 219;

} // namespace

CBrowserPage::CBrowserPage(QWidget *parent)
    : CSheetPage(QStringLiteral("Browse"), parent), m_file(std::make_unique<CPreviewFile>())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this,
                                [this](QWidget *old, QWidget *now) { OnFocusChanged(old, now); });
}

CBrowserPage::~CBrowserPage()
{
    disconnect(m_focusConnection);
    // The browser may still be reading the copy; it goes first, then the file.
    delete m_browser;
    m_browser = nullptr;
    m_file.reset();
}

QString CBrowserPage::PreviewPath() const
{
    return m_file->Path();
}

void CBrowserPage::CreateBrowser()
{
    if (m_browser)
        return;
    m_browser = new CWebBrowser2(this);
    layout()->addWidget(m_browser);
    setFocusProxy(m_browser);
}

void CBrowserPage::Preview()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document || CWorkSpaceDoc::IsDragging())
        return;
    CreateBrowser();
    m_seenDom = document->GetDOMDocument();
    try {
        if (!IsCopyCurrent()) {
            m_file->Write(*document->GetDOMDocument(), document->GetPathName());
            m_behind = false;
            m_copiedDom = document->GetDOMDocument();
            m_copiedPath = document->GetPathName();
        }
    } catch (const CComError &error) {
        // The report's box takes the focus and gives it back, which previews again: the same
        // failure is told once.
        if (!m_failureReported) {
            m_failureReported = true;
            document->ReportDOMError(error, QStringLiteral("error loading doc"));
        }
        return;
    }
    m_failureReported = false;
    m_browser->SetSilent(true);
    m_browser->Navigate(m_file->Path());
}

bool CBrowserPage::IsCopyCurrent() const
{
    const CWorkSpaceDoc *document = GetDocument();
    return !m_behind && m_copiedDom == document->GetDOMDocument() && m_copiedPath == document->GetPathName()
        && !m_file->Path().isEmpty() && QFileInfo::exists(m_file->Path());
}

void CBrowserPage::OnKickIdle()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document)
        return;
    // An edit marks the pages; a source commit gives the document a new parser object instead.
    const void *dom = document->GetDOMDocument();
    if (!document->ArePagesStale() && dom == m_seenDom)
        return;
    m_seenDom = dom;
    // A failure may have gone with the change.
    m_failureReported = false;
    m_behind = true;
    // A hidden page previews when it is shown; a 100 MB document is not copied for nothing.
    if (isVisible())
        Preview();
}

void CBrowserPage::OnSetActive()
{
    // Choosing the tab shows the document as it is now, even when nothing changed.
    Preview();
    m_justShown = true;
    QTimer::singleShot(0, this, [this] { m_justShown = false; });
}

void CBrowserPage::showEvent(QShowEvent *event)
{
    CSheetPage::showEvent(event);
    // Shown without being chosen (its window was hidden while it was the active page).
    if (m_behind && !m_justShown)
        Preview();
}

void CBrowserPage::OnFocusChanged(QWidget *old, QWidget *now)
{
    if (!now || !IsOwnWidget(now) || IsOwnWidget(old))
        return;
    NotifyPaneFocus(this, BrowserEditMenu);
    if (!m_justShown)
        Preview();
}

bool CBrowserPage::IsOwnWidget(const QWidget *widget) const
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}
