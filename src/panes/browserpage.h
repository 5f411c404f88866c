#pragma once

#include "sheetpage.h"

#include <memory>

class CPreviewFile;
class CWebBrowser2;

// The "Browse" page: the whole document as the browser shows it, through the stylesheet its
// xml-stylesheet instruction names. The browser is made when the page is first shown, so a
// window that never shows the page pays nothing for it. The preview is made again each time
// the page is shown or gains the focus, and on each notification of an edit while it is shown;
// never while a node is being dragged. A copy of the document is written for the browser (see
// CPreviewFile) and deleted with the page. The copy is written again only when the document
// changed since: writing out a 100 MB document takes seconds, reloading the browser none.
class CBrowserPage : public CSheetPage
{
    Q_OBJECT

public:
    explicit CBrowserPage(QWidget *parent = nullptr);
    ~CBrowserPage() override;

    // Null until the page was first shown.
    CWebBrowser2 *Browser() const { return m_browser; }
    // The copy the browser was last pointed at; empty before the first preview.
    QString PreviewPath() const;

    // Writes the document's copy, unless the one written last is still the document as it is,
    // and points the browser at it. A copy that cannot be written
    // is reported once ("error loading doc"); the same failure is not reported again until the
    // document changes. The browser then keeps what it showed.
    void Preview();

    void OnKickIdle() override;
    void OnSetActive() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateBrowser();
    bool IsCopyCurrent() const;
    void OnFocusChanged(QWidget *old, QWidget *now);
    bool IsOwnWidget(const QWidget *widget) const;

    CWebBrowser2 *m_browser = nullptr;
    std::unique_ptr<CPreviewFile> m_file;
    QMetaObject::Connection m_focusConnection;
    // The copy does not hold the document's current content.
    bool m_behind = true;
    // What the copy was written from: the parser object (a source commit replaces it) and the
    // document's path (a save under another name moves the copy to the new folder).
    const void *m_copiedDom = nullptr;
    QString m_copiedPath;
    // The parser object of the document when the page last looked.
    const void *m_seenDom = nullptr;
    // The last preview failed and was reported; the document has not changed since.
    bool m_failureReported = false;
    // The page was just shown and previewed; the focus that the same click gives it does not
    // preview a second time.
    bool m_justShown = false;
};
