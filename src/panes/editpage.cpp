#include "editpage.h"

#include "sourceedit.h"

#include "document/workspacedoc.h"
#include "document/xmlchecks.h"
#include "document/xmldocument.h"
#include "document/xmlnode.h"
#include "framework/comerror.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QHash>
#include <QScopedValueRollback>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>
#include <QVBoxLayout>

namespace {

// The menu resource of the source text's context menu and "&Edit" menu.
constexpr int SourceEditMenu = 181;

bool isUtf8(const QByteArray &encoding)
{
    return encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0
        || encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
}

// The encoding named by the XML declaration at the start of `text`; empty when there is none.
QByteArray textEncoding(const QByteArray &text)
{
    static const QByteArray open("<?xml");
    if (!text.startsWith(open) || text.size() == open.size() || !QChar::isSpace(uchar(text.at(open.size()))))
        return {};
    const qsizetype end = QByteArrayView(text.constData(), qMin<qsizetype>(text.size(), 65536)).indexOf("?>");
    if (end < 0)
        return {};
    return XmlChecks::declarationEncoding(QString::fromUtf8(text.mid(open.size(), end - open.size())));
}

QStringConverter::Flags encodingFlags(const QByteArray &encoding)
{
    // UTF-16 and UTF-32 without a stated byte order start with a byte order mark.
    const std::optional<QStringConverter::Encoding> known = QStringConverter::encodingForName(encoding.constData());
    if (known && (*known == QStringConverter::Utf16 || *known == QStringConverter::Utf32))
        return QStringConverter::Flag::WriteBom;
    return QStringConverter::Flag::Default;
}

// `text` in `encoding`. A character the encoding cannot hold is written as a character reference,
// which the parser reads back as the same character; where the parser allows no reference (in a
// name or a comment) it refuses the text, and the text then stays in the editor. An encoding that
// Qt does not know is written as ASCII with references for everything else.
QByteArray encodeText(const QString &text, const QByteArray &encoding)
{
    const QStringConverter::Flags flags = encodingFlags(encoding);
    QStringEncoder encoder(encoding.constData(), flags);
    if (encoder.isValid()) {
        const QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError() && QString(QStringDecoder(encoding.constData()).decode(bytes)) == text)
            return bytes;
    }
    QHash<char32_t, bool> writable;
    const auto canWrite = [&](char32_t c, const QString &character) {
        if (!encoder.isValid())
            return c < 0x80;
        const auto known = writable.constFind(c);
        if (known != writable.constEnd())
            return *known;
        QStringEncoder one(encoding.constData());
        const QByteArray bytes = one.encode(character);
        const bool ok = !one.hasError() && QString(QStringDecoder(encoding.constData()).decode(bytes)) == character;
        writable.insert(c, ok);
        return ok;
    };
    QString referenced;
    referenced.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        const char32_t c = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        if (pair)
            ++i;
        if (canWrite(c, character))
            referenced += character;
        else
            referenced += QStringLiteral("&#%1;").arg(uint(c));
    }
    if (!encoder.isValid())
        return referenced.toLatin1();
    return QStringEncoder(encoding.constData(), flags).encode(referenced);
}

// The bytes of the temporary source file: LF line breaks only, in the encoding the text's own
// declaration names, so the parser reads back exactly the characters of the editor.
QByteArray sourceFileBytes(const QByteArray &utf8)
{
    QByteArray text = utf8;
    if (text.contains('\r')) {
        text.replace("\r\n", "\n");
        text.replace('\r', '\n');
    }
    const QByteArray encoding = textEncoding(text);
    if (isUtf8(encoding))
        return text;
    return encodeText(QString::fromUtf8(text), encoding);
}

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
    QString path;
    if (!WriteTempFile(&path)) {
        m_editor->SetTextModified(true);
        m_rejected = true;
        return false;
    }
    const auto parserBefore = reinterpret_cast<quintptr>(document->GetDOMDocument());
    document->SetSourceTempPath(path);
    document->SetSourceChanged(true);
    document->UpdateAllViews();
    const bool reloadedHere = document->IsSourceChanged();
    if (reloadedHere) {
        // No view took the text (a window without its element tree): reload here, so that the
        // edit is not lost and the file not left behind.
        document->SetSourceChanged(false);
        document->ReloadFromSourceTemp();
    }
    document->SetSourceChanged(false);
    // A document that took the text holds it in a new parser object; one that refused it (and
    // reported why) keeps the old one and its tree.
    if (reinterpret_cast<quintptr>(document->GetDOMDocument()) == parserBefore) {
        m_editor->SetTextModified(true);
        m_rejected = true;
        return false;
    }
    m_rejected = false;
    // The document now differs from its file; its pages, this one least of all, need not read
    // it again for this change.
    document->SetModifiedFlag(true);
    if (reloadedHere)
        document->UpdateAllViews();
    document->SetPagesStale(false);
    return true;
}

bool CEditPage::WriteTempFile(QString *path)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/TWRXXXXXX"));
    // The document deletes the file once it has read it.
    file.setAutoRemove(false);
    QString error;
    if (file.open()) {
        const QByteArray bytes = sourceFileBytes(m_editor->RawText());
        if (file.write(bytes) == bytes.size() && file.flush()) {
            *path = file.fileName();
            file.close();
            return true;
        }
        error = file.errorString();
        file.remove();
    } else {
        error = file.errorString();
    }
    ShowMessageText(QStringLiteral("The source text could not be written to a temporary file.\n\n%1").arg(error),
                    MB::IconInformation);
    return false;
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
