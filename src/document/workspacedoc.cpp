#include "workspacedoc.h"

#include "editstep.h"
#include "edittransaction.h"
#include "nodeclipboard.h"
#include "sourcetext.h"
#include "xmlimport.h"
#include "xmlnamednodemap.h"
#include "xmlnodelist.h"
#include "framework/appsettings.h"
#include "framework/backgroundtask.h"
#include "framework/comerror.h"
#include "framework/cmdui.h"
#include "framework/messagehelper.h"
#include "framework/taskprogress.h"
#include "resources/commandids.h"
#include "ftp/ftpupload.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QStringList>
#include <QUndoStack>

#include <cerrno>
#include <optional>
#include <cstring>

bool CWorkSpaceDoc::s_dragging = false;

const char *const CWorkSpaceDoc::NewDocumentTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><rootnode/>";
const char *const CWorkSpaceDoc::NewDocumentName = "new.xml";

CWorkSpaceDoc::CWorkSpaceDoc(QObject *parent)
    : CDocumentBase(parent), m_undo(new QUndoStack(this))
{
    // The modified mark follows the history: back at the saved state the document is unchanged.
    connect(m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) { SetModifiedFlag(!clean); });
    RegisterCommands();
    s_dragging = false;
    CreateDOMInstance();
    m_dom->setAsync(false);
    m_dom->setValidateOnParse(false);
    // The node clipboard is not reset here: it belongs to no document, so what the user cut or
    // copied in one document can be pasted into one opened after it.
}

CWorkSpaceDoc::~CWorkSpaceDoc()
{
    // The history holds nodes of this document's trees: it goes first.
    delete m_undo;
    m_undo = nullptr;
    RemoveAllItems();
}

bool CWorkSpaceDoc::CreateDOMInstance()
{
    m_dom = std::make_unique<XmlDocument>();
    return true;
}

void CWorkSpaceDoc::ApplyParserSettings(XmlDocument &parser) const
{
    parser.setAsync(false);
    parser.setValidateOnParse(AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::ValidateOnParse)));
    parser.setResolveExternals(AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::ResolveExternals)));
}

bool CWorkSpaceDoc::OnNewDocument()
{
    m_undo->clear();
    CreateDOMInstance();
    m_dom->loadXML(QString::fromUtf8(NewDocumentTemplate));
    RemoveAllItems();
    m_currentItem = 0;
    // A new document has no file yet: its first Save asks for a name instead of writing over a
    // new.xml that may already stand in the current folder.
    ClearPathName();
    SetTitle(QString::fromLatin1(NewDocumentName));
    SetModifiedFlag(true);
    UpdateAllViews(nullptr, 0, nullptr);
    return true;
}

bool CWorkSpaceDoc::OnOpenDocument(const QString &path)
{
    QFileInfo info(path);
    QFile probe(path);
    // The system's own words for why the file cannot be read.
    QString reason;
    if (!info.exists())
        reason = QString::fromLocal8Bit(std::strerror(ENOENT));
    else if (info.isDir())
        reason = QString::fromLocal8Bit(std::strerror(EISDIR));
    else if (!probe.open(QIODevice::ReadOnly))
        reason = probe.errorString();
    if (!reason.isEmpty()) {
        ShowMessageText(QStringLiteral("Failed to open document.\n\n%1\n%2").arg(path, reason), MB::IconExclamation);
        return false;
    }
    probe.close();
    try {
        auto parser = std::make_unique<XmlDocument>();
        ApplyParserSettings(*parser);
        bool cancelled = false;
        if (!LoadParser(*parser, path, QStringLiteral("Opening %1...").arg(info.fileName()), &cancelled)) {
            if (!cancelled)
                ReportDOMError(CComError(ComCode::Ok), QStringLiteral("Error Loading/Parsing Document."), parser.get());
            return false;
        }
        m_dom = std::move(parser);
    } catch (const CComError &error) {
        ReportDOMError(error, QStringLiteral("Error Loading Document."));
        return false;
    }
    RemoveAllItems();
    m_currentItem = 0;
    SetPathName(path);
    m_undo->clear();
    SetModifiedFlag(false);
    AcceptDiskState();
    return true;
}

CWorkSpaceDoc::DiskChange CWorkSpaceDoc::CheckDiskChange() const
{
    if (IsUntitled())
        return DiskChange::None;
    const DiskStamp now = DiskStamp::Of(GetPathName());
    if (now == m_diskStamp)
        return DiskChange::None;
    return now.exists ? DiskChange::Changed : DiskChange::Deleted;
}

bool CWorkSpaceDoc::ReloadFromDisk()
{
    const DiskStamp stamp = DiskStamp::Of(GetPathName());
    bool replaced = false;
    {
        CEditTransaction edit(this);
        replaced = ReplaceTreeFrom(GetPathName());
    }
    if (replaced) {
        // The tree is the file again, as after opening it: the history of the old tree ends.
        m_undo->clear();
        SetModifiedFlag(false);
        m_diskStamp = stamp;
    }
    return replaced;
}

bool CWorkSpaceDoc::OnSaveDocument(const QString &path)
{
    try {
        SaveTree(path);
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Their was a problem saving document."), error);
        return false;
    }
    m_undo->setClean();
    SetModifiedFlag(false);
    SetPathName(path);
    AcceptDiskState();
    if (m_hasFtpOrigin) {
        // The local save stands whatever happens on the server. A failed upload leaves the
        // document marked as changed, so that closing it asks and the next Save sends it again.
        QString error;
        m_ftpUploadPending = !CFtpUpload::Upload(m_ftpServer, m_ftpPort, m_ftpUser, m_ftpPassword, path,
                                                 m_ftpRemotePath, &error);
        if (m_ftpUploadPending) {
            ShowMessage(61455, error, MB::Ok);
            SetModifiedFlag(true);
        }
    }
    return true;
}

void CWorkSpaceDoc::RegisterCommands()
{
    // Ctrl+Z and the redo keys reach the document from the tree and the node list; the source
    // editor answers them first for its own text.
    const auto undoState = [this](CCmdUI *ui) {
        ui->Enable(m_undo->canUndo());
        if (ui->Id() == ID_EDIT_UNDO_EDIT)
            ui->SetText((m_undo->canUndo() ? m_undo->undoText().prepend(QStringLiteral("&Undo ")) : QStringLiteral("&Undo")) + QStringLiteral("\tCtrl+Z"));
    };
    const auto redoState = [this](CCmdUI *ui) {
        ui->Enable(m_undo->canRedo());
        if (ui->Id() == ID_EDIT_REDO_EDIT)
            ui->SetText((m_undo->canRedo() ? m_undo->redoText().prepend(QStringLiteral("Re&do ")) : QStringLiteral("Re&do")) + QStringLiteral("\tCtrl+Y"));
    };
    for (int id : {ID_EDIT_UNDO, ID_EDIT_UNDO_EDIT})
        AddCommand(id, [this] { Undo(); }, undoState);
    for (int id : {ID_EDIT_REDO, ID_EDIT_REDO_EDIT})
        AddCommand(id, [this] { Redo(); }, redoState);
}

bool CWorkSpaceDoc::Undo()
{
    if (!m_undo->canUndo() || IsEditing())
        return false;
    m_undo->undo();
    return true;
}

bool CWorkSpaceDoc::Redo()
{
    if (!m_undo->canRedo() || IsEditing())
        return false;
    m_undo->redo();
    return true;
}

void CWorkSpaceDoc::BeginEdit(const QString &name)
{
    if (m_editDepth++ == 0) {
        m_editName = name;
        // A search reading the tree on its own thread stops before the tree changes.
        Q_EMIT editStarting();
    } else if (m_editName.isEmpty()) {
        m_editName = name;
    }
}

void CWorkSpaceDoc::Record(CEditAction action)
{
    if (!m_replaying && m_editDepth > 0)
        m_editActions.push_back(std::move(action));
}

void CWorkSpaceDoc::EndEdit()
{
    if (m_editDepth == 0 || --m_editDepth > 0)
        return;
    // The changes of a failed command that took itself back leave a step that changes nothing:
    // harmless, and the user sees the command in the history as it ran.
    if (!m_editActions.empty())
        m_undo->push(new CEditStep(this, m_editName, std::exchange(m_editActions, {})));
    if (!m_editChanged)
        return;
    m_editChanged = false;
    SetModifiedFlag(true);
    // Set last: a caret that moved during the edit cleared it.
    m_pagesStale = true;
    UpdateAllViews(nullptr, 0, nullptr);
}

void CWorkSpaceDoc::SetTitle(const QString &title)
{
    if (AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::DisplayFullPath)) && !GetPathName().isEmpty())
        CDocumentBase::SetTitle(GetPathName());
    else
        CDocumentBase::SetTitle(title);
}

void CWorkSpaceDoc::SetModifiedFlag(bool modified)
{
    if (modified)
        m_pagesStale = true;
    CDocumentBase::SetModifiedFlag(modified);
}

void CWorkSpaceDoc::SetItemNode(ItemKey key, const XmlNode &node)
{
    const auto old = m_items.constFind(key);
    if (old != m_items.constEnd()) {
        auto reverse = m_keysByNode.find(old.value());
        if (reverse != m_keysByNode.end() && reverse.value() == key)
            m_keysByNode.erase(reverse);
    }
    m_items.insert(key, node);
    if (!node.isNull())
        m_keysByNode.insert(node, key);
}

XmlNode CWorkSpaceDoc::GetItemNode(ItemKey key) const
{
    if (key == 0)
        return XmlNode();
    return m_items.value(key);
}

void CWorkSpaceDoc::RemoveItem(ItemKey key)
{
    const auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    auto reverse = m_keysByNode.find(it.value());
    if (reverse != m_keysByNode.end() && reverse.value() == key)
        m_keysByNode.erase(reverse);
    m_items.erase(it);
}

void CWorkSpaceDoc::RemoveAllItems()
{
    m_items.clear();
    m_keysByNode.clear();
}

ItemKey CWorkSpaceDoc::GetItemKey(const XmlNode &node) const
{
    return m_keysByNode.value(node, 0);
}

void CWorkSpaceDoc::SetCurrentItem(ItemKey key)
{
    // Choosing a node is no edit: the modified flag stays, only the pages are up to date now.
    m_currentItem = key;
    m_pagesStale = false;
}

QString CWorkSpaceDoc::GetNodePath(const XmlNode &given) const
{
    XmlNode node = given.isNull() ? GetCurrentNode() : given;
    if (node.isNull() || node.nodeType() == NodeType::Document)
        return QStringLiteral("/");
    QStringList names;
    for (; !node.isNull(); node = node.parentNode()) {
        if (node.nodeType() == NodeType::Document)
            break;
        names.prepend(node.nodeName());
    }
    return QLatin1Char('/') + names.join(QLatin1Char('/')) + QLatin1Char('/');
}

XmlNode CWorkSpaceDoc::FindNodeByPath(const QString &path) const
{
    const XmlNode document = m_dom->documentNode();
    if (path == QLatin1String("/"))
        return document;
    if (!path.startsWith(QLatin1Char('/')) || !path.endsWith(QLatin1Char('/')))
        return XmlNode();
    const QStringList names = path.mid(1, path.size() - 2).split(QLatin1Char('/'));
    // Depth-first in document order, descending only into nodes whose name matches the path so
    // far: the first complete match is the first such node in document order.
    struct Frame { XmlNode node; int depth; };
    QList<Frame> stack;
    for (XmlNode c = document.lastChild(); !c.isNull(); c = c.previousSibling())
        stack.append({c, 0});
    while (!stack.isEmpty()) {
        const Frame frame = stack.takeLast();
        if (frame.node.nodeName() != names.at(frame.depth))
            continue;
        if (frame.depth == names.size() - 1)
            return frame.node;
        const int type = frame.node.nodeType();
        if (type != NodeType::Element && type != NodeType::DocumentType && type != NodeType::EntityReference)
            continue;
        for (XmlNode c = frame.node.lastChild(); !c.isNull(); c = c.previousSibling())
            stack.append({c, frame.depth + 1});
    }
    return XmlNode();
}

ItemKey CWorkSpaceDoc::SelectItemByPath(const QString &path)
{
    ItemKey found = GetItemKey(FindNodeByPath(path));
    if (found == 0) {
        // The first node with that path has no item (its branch was never shown); take the
        // shown item with that path that was bound first.
        XmlNode best;
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
            if (it.value().isNull() || GetNodePath(it.value()) != path)
                continue;
            if (best.isNull() || found > it.key())
                best = it.value(), found = it.key();
        }
    }
    if (found != 0)
        SetCurrentItem(found);
    return found;
}

bool CWorkSpaceDoc::ReplaceTreeFrom(const QString &path)
{
    const QString currentPath = GetNodePath();
    // Parse into a parser object of its own first: only a text that parses replaces the tree.
    auto parser = std::make_unique<XmlDocument>();
    ApplyParserSettings(*parser);
    const QString label = path == m_sourceTempPath ? QStringLiteral("Reading the source text...")
                                                   : QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName());
    bool cancelled = false;
    try {
        if (LoadParser(*parser, path, label, &cancelled)) {
            // The earlier tree is kept for undo: taking the edit back parses nothing again.
            std::swap(m_dom, parser);
            Record({CEditAction::Kind::ReplaceTree, {}, {}, {}, {}, {}, std::move(parser), currentPath});
            RemoveAllItems();
            m_currentItem = 0;
            MarkChanged();
            Q_EMIT documentReplaced(currentPath);
            return true;
        }
        if (!cancelled)
            ReportDOMError(CComError(ComCode::Ok), QStringLiteral("Error Loading/Parsing Document."), parser.get());
    } catch (const CComError &error) {
        ReportDOMError(error, QStringLiteral("Error Loading/Parsing Document."), parser.get());
    }
    return false;
}

bool CWorkSpaceDoc::LoadParser(XmlDocument &parser, const QString &path, const QString &label, bool *cancelled) const
{
    CTaskProgress progress;
    parser.setProgress(&progress);
    bool loaded = false;
    CBackgroundTask::Progress shown;
    shown.done = [&progress] { return progress.Done(); };
    shown.total = [&progress] { return progress.Total(); };
    shown.cancel = [&progress] { progress.Cancel(); };
    try {
        CBackgroundTask::RunSized(QFileInfo(path).size(), label, [&] { loaded = parser.load(path); }, shown);
    } catch (...) {
        parser.setProgress(nullptr);
        throw;
    }
    parser.setProgress(nullptr);
    // Cancel pressed at any moment the dialog showed wins, even when the last bytes were read.
    *cancelled = progress.IsCancelled();
    return loaded && !*cancelled;
}

void CWorkSpaceDoc::SaveTree(const QString &path) const
{
    // The file it replaces tells how big the document is; a new one is judged by its own file.
    // A save is not cancelled halfway: it runs to its end or fails whole.
    const QString sized = GetPathName().isEmpty() ? path : GetPathName();
    CBackgroundTask::RunSized(QFileInfo(sized).size(), QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()),
                              [this, &path] { m_dom->save(path); });
}

bool CWorkSpaceDoc::ReloadFromSourceTemp()
{
    CEditTransaction edit(this, QStringLiteral("Source Edit"));
    const bool replaced = ReplaceTreeFrom(m_sourceTempPath);
    QFile::remove(m_sourceTempPath);
    return replaced;
}

bool CWorkSpaceDoc::CommitSourceText(const QByteArray &utf8)
{
    QString path, error;
    bool written = false;
    // The text becomes the file that later saves copy from: it keeps the line breaks and the
    // byte-order mark of the file the document came from.
    CSourceText::FileForm form;
    form.crlf = m_dom->usesCrLf();
    form.utf8Mark = m_dom->byteOrderMark() == "\xEF\xBB\xBF";
    CBackgroundTask::RunSized(utf8.size(), QStringLiteral("Writing the source text..."),
                              [&] { written = CSourceText::WriteTempFile(utf8, form, &path, &error); });
    if (!written) {
        ShowMessageText(QStringLiteral("The source text could not be written to a temporary file.\n\n%1").arg(error),
                        MB::IconInformation);
        return false;
    }
    m_sourceTempPath = path;
    return ReloadFromSourceTemp();
}

void CWorkSpaceDoc::SetFtpOrigin(const QString &server, const QString &user, const QString &password,
                                 const QString &remotePath, quint16 port)
{
    m_hasFtpOrigin = true;
    m_ftpServer = server;
    m_ftpUser = user;
    m_ftpPassword = password;
    m_ftpRemotePath = remotePath;
    m_ftpPort = port;
}

void CWorkSpaceDoc::ReportDOMError(const CComError &error, const QString &headline, const XmlDocument *parser) const
{
    const XmlParseError &e = (parser ? parser : m_dom.get())->parseError();
    // A report made for a parse that failed carries no error of its own: the parser's reason
    // says what went wrong, not the text of a success code.
    const QString reason = e.reason.trimmed();
    QString text = error.code() == ComCode::Ok && !reason.isEmpty() ? reason : error.errorMessage();
    if (error.code() == ComCode::Ok && reason.isEmpty())
        text = QStringLiteral("The operation could not be completed.");
    const QString report = QStringLiteral("%1 \n\n%2 \n\nDOM Error:\t %3\nDOM Line:\t %4\nDOM linepos:\t %5\nDOM filepos:\t %6\n"
                                          "DOM reason:\t %7\nDOM srctext:\t %8")
                               .arg(headline, text, QString::number(e.errorCode), QString::number(e.line),
                                    QString::number(e.linepos), QString::number(e.filepos), e.reason, e.srcText);
    ShowMessage(61454, report, MB::IconInformation);
}

XmlNode CWorkSpaceDoc::InsertNode(XmlNode parent, const XmlNode &node, const XmlNode &before)
{
    const XmlNode inserted = before.isNull() ? parent.appendChild(node) : parent.insertBefore(node, before);
    MarkChanged();
    Record({CEditAction::Kind::Insert, inserted, parent, inserted.nextSibling(), {}, {}, nullptr, {}});
    Q_EMIT nodeInserted(inserted);
    return inserted;
}

void CWorkSpaceDoc::RemoveNode(const XmlNode &node)
{
    XmlNode parent = node.parentNode();
    if (parent.isNull())
        throw CComError(ComCode::InvalidArg, QStringLiteral("The node cannot be deleted."));
    const XmlNode next = node.nextSibling();
    parent.removeChild(node);
    MarkChanged();
    Record({CEditAction::Kind::Remove, node, parent, next, {}, {}, nullptr, {}});
    Q_EMIT nodeRemoved(node, parent);
}

XmlNode CWorkSpaceDoc::ReplaceNode(const XmlNode &newNode, const XmlNode &old)
{
    XmlNode parent = old.parentNode();
    if (parent.isNull())
        throw CComError(ComCode::InvalidArg, QStringLiteral("The node is in no document."));
    const XmlNode next = old.nextSibling();
    parent.replaceChild(newNode, old);
    MarkChanged();
    Record({CEditAction::Kind::Remove, old, parent, next, {}, {}, nullptr, {}});
    Record({CEditAction::Kind::Insert, newNode, parent, next, {}, {}, nullptr, {}});
    Q_EMIT nodeRemoved(old, parent);
    Q_EMIT nodeInserted(newNode);
    return newNode;
}

void CWorkSpaceDoc::RenameElement(const XmlNode &element, const QString &name)
{
    const QString before = element.nodeName();
    XmlNode(element).renameElement(name);
    MarkChanged();
    Record({CEditAction::Kind::Rename, element, {}, {}, before, element.nodeName(), nullptr, {}});
    Q_EMIT nodeRenamed(element);
}

void CWorkSpaceDoc::ChangeValue(const XmlNode &node, const QString &value)
{
    const QString before = node.nodeValue();
    XmlNode target = node;
    if (node.nodeType() == NodeType::Text)
        target.setText(value);
    else
        target.setNodeValue(value);
    MarkChanged();
    Record({CEditAction::Kind::Value, node, {}, {}, before, node.nodeValue(), nullptr, {}});
}

XmlNode CWorkSpaceDoc::AddAttribute(XmlNode element, const QString &name, const QString &value)
{
    element.setAttribute(name, value);
    const XmlNode attribute = element.getAttributeNode(name);
    MarkChanged();
    Record({CEditAction::Kind::AttributeAdd, attribute, element, {}, {}, {}, nullptr, {}});
    return attribute;
}

void CWorkSpaceDoc::AddAttributeNode(XmlNode element, const XmlNode &attribute, const XmlNode &before)
{
    element.setAttributeNode(attribute, before);
    MarkChanged();
    Record({CEditAction::Kind::AttributeAdd, attribute, element, before, {}, {}, nullptr, {}});
}

void CWorkSpaceDoc::RemoveAttribute(XmlNode element, const XmlNode &attribute)
{
    // The attribute after it, so that taking the removal back puts it where it stood.
    XmlNode next;
    XmlNamedNodeMap attributes = element.attributes();
    for (XmlNode a = attributes.nextNode(), previous; !a.isNull(); previous = a, a = attributes.nextNode()) {
        if (previous == attribute) {
            next = a;
            break;
        }
    }
    element.removeAttributeNode(attribute);
    MarkChanged();
    Record({CEditAction::Kind::AttributeRemove, attribute, element, next, {}, {}, nullptr, {}});
}

void CWorkSpaceDoc::ReplayStep(std::vector<CEditAction> &actions, bool undo)
{
    const QScopedValueRollback<bool> replaying(m_replaying, true);
    CEditTransaction edit(this);
    XmlNode focus;
    try {
        if (undo) {
            for (auto it = actions.rbegin(); it != actions.rend(); ++it)
                ReplayAction(*it, false, &focus);
        } else {
            for (CEditAction &action : actions)
                ReplayAction(action, true, &focus);
        }
    } catch (const CComError &error) {
        // The DOM refused to take back a change it made before: say so; what was done stays.
        ReportComError(undo ? QStringLiteral("Unable to undo the change.") : QStringLiteral("Unable to redo the change."), error);
    }
    if (!focus.isNull())
        Q_EMIT selectionRequested(focus);
}

void CWorkSpaceDoc::ReplayAction(CEditAction &action, bool forward, XmlNode *focus)
{
    using Kind = CEditAction::Kind;
    const bool add = (action.kind == Kind::Insert || action.kind == Kind::AttributeAdd) == forward;
    switch (action.kind) {
    case Kind::Insert:
    case Kind::Remove:
        if (add) {
            const bool before = !action.next.isNull() && action.next.parentNode() == action.parent;
            InsertNode(action.parent, action.node, before ? action.next : XmlNode());
            *focus = action.node;
        } else {
            RemoveNode(action.node);
            *focus = action.parent;
        }
        break;
    case Kind::Rename:
        RenameElement(action.node, forward ? action.after : action.before);
        *focus = action.node;
        break;
    case Kind::Value:
        ChangeValue(action.node, forward ? action.after : action.before);
        *focus = action.node;
        break;
    case Kind::AttributeAdd:
    case Kind::AttributeRemove:
        if (add)
            AddAttributeNode(action.parent, action.node, action.next);
        else
            RemoveAttribute(action.parent, action.node);
        *focus = action.parent;
        break;
    case Kind::ReplaceTree: {
        const QString path = GetNodePath();
        std::swap(m_dom, action.tree);
        RemoveAllItems();
        m_currentItem = 0;
        MarkChanged();
        Q_EMIT documentReplaced(path);
        *focus = XmlNode();
        break;
    }
    }
}

XmlNode CWorkSpaceDoc::CreateNode(ItemKey parentKey, int type, const QString &name, const QString &value)
{
    static const char *const stepNames[] = {"New Element", "New Attribute", "New Text", "New CDATA", "", "",
                                            "New Instruction", "New Comment"};
    CEditTransaction edit(this, type >= 1 && type <= 8 ? QString::fromLatin1(stepNames[type - 1]) : QString());
    const XmlNode parent = parentKey ? GetItemNode(parentKey) : XmlNode();
    const auto missingParent = [] { return CComError(ComCode::InvalidArg, QStringLiteral("There is no node to put it under.")); };
    switch (type) {
    case NodeType::Element:
        try {
            if (parentKey && parent.isNull())
                throw missingParent();
            XmlNode element = m_dom->createNode(NodeType::Element, name, value);
            return InsertNode(parentKey ? parent : m_dom->documentNode(), element);
        } catch (const CComError &error) {
            ReportDOMError(error, QStringLiteral("Error creating node"));
            return XmlNode();
        }
    case NodeType::Attribute:
        if (!parent.isNull() && parent.nodeType() == NodeType::ProcessingInstruction) {
            // An attribute asked for under an instruction rewrites the current instruction.
            try {
                XmlNode current = GetCurrentNode();
                if (current.isNull())
                    throw missingParent();
                XmlNode pi = m_dom->createProcessingInstruction(name, value + QStringLiteral("version='1.0' encoding=''"));
                return ReplaceNode(pi, current);
            } catch (const CComError &error) {
                ReportComError(QStringLiteral("Unable to create new attribute."), error);
                return XmlNode();
            }
        }
        if (parent.isNull() || parent.nodeType() != NodeType::Element) {
            ShowMessage(61449, QString(), MB::IconInformation);
            return XmlNode();
        }
        try {
            QString unique = name;
            for (int i = 0; parent.getAttribute(unique).has_value(); ++i)
                unique = name + QString::number(i);
            XmlNode attribute = m_dom->createAttribute(unique);
            attribute.setNodeValue(value);
            AddAttributeNode(parent, attribute);
            return attribute;
        } catch (const CComError &error) {
            ReportComError(QStringLiteral("Unable to error create attribute."), error);
            return XmlNode();
        }
    case NodeType::Text:
    case NodeType::CDataSection:
    case NodeType::Comment: {
        const QString headline = type == NodeType::Text ? QStringLiteral("Unable to create text node.")
            : type == NodeType::Comment                 ? QStringLiteral("Unable to create comment node.")
                                                        : QStringLiteral("Unable to create cdata node.");
        try {
            if (parent.isNull())
                throw missingParent();
            XmlNode node = type == NodeType::Text ? m_dom->createTextNode(value)
                : type == NodeType::Comment       ? m_dom->createComment(value)
                                                  : m_dom->createCDATASection(value);
            return InsertNode(parent, node);
        } catch (const CComError &error) {
            ReportComError(headline, error);
            return XmlNode();
        }
    }
    case NodeType::ProcessingInstruction:
        try {
            if (parent.isNull())
                return XmlNode();
            XmlNode pi = m_dom->createProcessingInstruction(name, value.isEmpty() ? QStringLiteral("attribute='empty'") : value);
            return InsertNode(parent, pi);
        } catch (const CComError &) {
            return XmlNode(); // callers try again or give up without a message
        }
    default:
        return XmlNode();
    }
}

QString CWorkSpaceDoc::GetNodeTypeName(const XmlNode &given) const
{
    const XmlNode node = given.isNull() ? GetCurrentNode() : given;
    static const char *const names[] = {"XML_ELEMENT", "XML_ATTRIBUTE", "XML_TEXT", "XML_CDATA_SECTION",
                                        "XML_ENTITY_REFERENCE", "XML_ENTITY", "XML_PROC_INSTRUCTION", "XML_COMMENT",
                                        "XML_DOCUMENT", "XML_DOC_TYPE", "XML_DOCUMENT_FRAGMENT", "XML_NOTATION"};
    const int type = node.isNull() ? 0 : node.nodeType();
    return QString::fromLatin1(type >= 1 && type <= 12 ? names[type - 1] : names[0]);
}

bool CWorkSpaceDoc::RenameNode(const XmlNode &node, const QString &newName)
{
    if (node.isNull())
        return false;
    CEditTransaction edit(this, QStringLiteral("Rename"));
    switch (node.nodeType()) {
    case NodeType::Element:
        try {
            // Renamed in place: children, attributes, namespace declarations and the tree
            // item's binding all stay, and a refused name changes nothing.
            RenameElement(node, newName);
        } catch (const CComError &error) {
            ReportComError(QStringLiteral("Unable to change node name."), error);
            return false;
        }
        break;
    case NodeType::Attribute: {
        XmlNode element = node.ownerElement();
        try {
            if (element.isNull())
                throw CComError(ComCode::InvalidArg, QStringLiteral("The attribute belongs to no element."));
            if (newName == node.nodeName())
                break;
            if (!m_dom->createAttribute(newName).isNull() && element.getAttribute(newName).has_value())
                throw CComError(ComCode::InvalidArg, QStringLiteral("The element already has an attribute named \"%1\".").arg(newName));
            const QString value = node.nodeValue();
            RemoveAttribute(element, node);
            try {
                AddAttribute(element, newName, value);
            } catch (...) {
                AddAttributeNode(element, node); // put the old attribute back
                throw;
            }
        } catch (const CComError &error) {
            ReportComError(QStringLiteral("Unable to change node name."), error);
            return false;
        }
        break;
    }
    case NodeType::ProcessingInstruction: {
        const QString data = node.nodeValue();
        XmlNode pi;
        CComError refusal(ComCode::InvalidArg);
        try {
            pi = m_dom->createProcessingInstruction(newName, data.isEmpty() ? QStringLiteral("attribute='empty'") : data);
        } catch (const CComError &error) {
            refusal = error;
            if (newName == QLatin1String("xml")) {
                try {
                    pi = m_dom->createProcessingInstruction(newName, QStringLiteral("version='1.0' encoding='UTF-8' standalone='no'"));
                } catch (const CComError &) {
                }
            }
        }
        try {
            if (pi.isNull())
                throw refusal; // a target no instruction can have
            // The new instruction takes the old one's place in its own parent.
            ReplaceNode(pi, node);
        } catch (const CComError &error) {
            ReportComError(QStringLiteral("Unable to update processing instruction."), error);
            return false;
        }
        break;
    }
    default:
        break;
    }
    return true;
}

bool CWorkSpaceDoc::DeleteNode(ItemKey key)
{
    if (key == 0)
        key = m_currentItem;
    const XmlNode node = GetItemNode(key);
    CEditTransaction edit(this, QStringLiteral("Delete"));
    try {
        if (node.isNull())
            throw CComError(ComCode::InvalidArg, QStringLiteral("The node cannot be deleted."));
        RemoveNode(node);
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Unable to delete node."), error);
        return false;
    }
    RemoveItem(key);
    return true;
}

bool CWorkSpaceDoc::SetNodeValue(const XmlNode &node, const QString &value)
{
    if (node.isNull())
        return false;
    if (node.nodeType() == NodeType::Attribute && GetCurrentNode().nodeType() == NodeType::DocumentType) {
        ReportDOMError(CComError(ComCode::Ok), QStringLiteral("Editing DOCTYPE node not supported"));
        return false;
    }
    CEditTransaction edit(this, QStringLiteral("Edit Value"));
    try {
        ChangeValue(node, value);
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Unable to change node value."), error);
        return false;
    }
    return true;
}

bool CWorkSpaceDoc::ReplaceInstruction(const XmlNode &old, const QString &target, const QString &data)
{
    CEditTransaction edit(this, QStringLiteral("Edit Instruction"));
    try {
        XmlNode parent = old.parentNode();
        if (parent.isNull())
            throw CComError(ComCode::InvalidArg, QStringLiteral("The instruction is in no document."));
        XmlNode created;
        try {
            created = m_dom->createProcessingInstruction(target, data.isEmpty() ? QStringLiteral("attribute='empty'") : data);
        } catch (const CComError &) {
            // An XML declaration can stand only as the document's first child, so no second one
            // can be made beside it: its data changes in place instead, checked by the DOM.
        }
        if (created.isNull() || (target == QLatin1String("xml") && old.nodeName() == QLatin1String("xml"))) {
            ChangeValue(old, data);
            return true;
        }
        ReplaceNode(created, old);
    } catch (const CComError &error) {
        ReportComError(QStringLiteral("Unable to change node value."), error);
        return false;
    }
    return true;
}

bool CWorkSpaceDoc::IsCurrentNodeElement() const
{
    return m_currentItem != 0 && GetCurrentNode().nodeType() == NodeType::Element;
}

void CWorkSpaceDoc::ResetNodeClipboard()
{
    CNodeClipboard::instance().Reset();
}

bool CWorkSpaceDoc::IsClipboardFilled()
{
    return CNodeClipboard::instance().IsFilled();
}

void CWorkSpaceDoc::PutOnClipboard(bool cut, const XmlNode &node)
{
    CNodeClipboard &clipboard = CNodeClipboard::instance();
    if (node.isNull())
        throw CComError(ComCode::InvalidArg, QStringLiteral("No node is selected."));
    if (node.nodeType() == NodeType::Attribute) {
        XmlNode element = node.ownerElement();
        XmlNode holder = clipboard.Holder();
        // The copy goes onto the holder first, so a cut never loses the attribute; a cut that
        // then fails puts the holder back as it was.
        const std::optional<QString> before = holder.getAttribute(node.nodeName());
        holder.setAttribute(node.nodeName(), node.nodeValue());
        if (!cut || element.isNull())
            return;
        try {
            RemoveAttribute(element, node);
        } catch (const CComError &) {
            if (before)
                holder.setAttribute(node.nodeName(), *before);
            else
                holder.removeAttributeNode(holder.getAttributeNode(node.nodeName()));
            throw;
        }
        return;
    }
    if (node.nodeType() == NodeType::Document)
        throw CComError(ComCode::InvalidArg, QStringLiteral("The document itself cannot be put on the clipboard."));
    XmlNode fragment = clipboard.Fragment();
    const XmlNode copy = fragment.appendChild(node); // copied into the clipboard's own document
    // Only a copy with references needs its document's declarations, and keeps it alive for them.
    if (XmlImport::HasEntityReferences(copy))
        clipboard.SetOrigin(copy, node.ownerDocument());
    if (!cut || node.parentNode().isNull())
        return;
    try {
        RemoveNode(node);
    } catch (const CComError &) {
        fragment.removeChild(copy);
        throw;
    }
}

bool CWorkSpaceDoc::PutNodeOnClipboard(bool cut, const XmlNode &given)
{
    const XmlNode node = given.isNull() ? GetCurrentNode() : given;
    CEditTransaction edit(this, QStringLiteral("Cut"));
    try {
        PutOnClipboard(cut, node);
    } catch (const CComError &error) {
        ReportComError(cut ? QStringLiteral("Unable to cut nodes.") : QStringLiteral("Unable to copy nodes"), error);
        return false;
    }
    // A copy, too, marks the document modified, without telling the views.
    if (!cut)
        SetModifiedFlag(true);
    CNodeClipboard::instance().SetFilled(true);
    return true;
}

bool CWorkSpaceDoc::PutNodesOnClipboard(bool cut, const QList<XmlNode> &nodes)
{
    CEditTransaction edit(this, QStringLiteral("Cut"));
    ResetNodeClipboard();
    bool all = true;
    for (const XmlNode &node : nodes)
        all = PutNodeOnClipboard(cut, node) && all;
    return all;
}

bool CWorkSpaceDoc::DeleteNodes(const QList<XmlNode> &nodes)
{
    // A cut whose clipboard is thrown away: the removed nodes are discarded.
    CEditTransaction edit(this, QStringLiteral("Delete"));
    const bool all = PutNodesOnClipboard(true, nodes);
    ResetNodeClipboard();
    return all;
}

CWorkSpaceDoc::NodePlace CWorkSpaceDoc::PlaceOf(const XmlNode &node)
{
    return NodePlace{node, node.parentNode(), node.nextSibling(), node.ownerElement()};
}

void CWorkSpaceDoc::PutNodesBack(const QList<NodePlace> &places)
{
    CEditTransaction edit(this);
    // Last cut first, so that each node's old next sibling is back in place before it.
    for (auto it = places.crbegin(); it != places.crend(); ++it) {
        const XmlNode &node = it->node;
        try {
            if (node.nodeType() == NodeType::Attribute) {
                XmlNode owner = it->ownerElement;
                if (!owner.isNull() && !owner.getAttribute(node.nodeName()).has_value())
                    AddAttribute(owner, node.nodeName(), node.nodeValue());
            } else if (!it->parent.isNull() && node.parentNode().isNull()) {
                const bool before = !it->nextSibling.isNull() && it->nextSibling.parentNode() == it->parent;
                InsertNode(it->parent, node, before ? it->nextSibling : XmlNode());
            }
        } catch (const CComError &) {
            // The place is gone (the parent itself left the tree): the node stays cut.
        }
    }
}

bool CWorkSpaceDoc::PasteNodes()
{
    CNodeClipboard &clipboard = CNodeClipboard::instance();
    XmlNode target = GetCurrentNode();
    CEditTransaction edit(this, QStringLiteral("Paste"));
    // What this paste added, so that a paste failing half-way takes it all back: a move that
    // puts its nodes back after a failed paste must not leave copies here too.
    QList<XmlNode> appended;
    QStringList addedAttributes;
    try {
        if (target.isNull())
            throw CComError(ComCode::InvalidArg, QStringLiteral("No node is selected."));
        XmlNamedNodeMap attributes = clipboard.Holder().attributes();
        if (attributes.length() > 0 && target.nodeType() != NodeType::Element)
            throw CComError(ComCode::InvalidArg, QStringLiteral("Attributes can only be pasted onto an element."));
        // A copy: nodes of the clipboard stay there. Its entity references are settled against
        // the document the node came from, so none is left that this document does not declare;
        // a lone reference replaced by its content gives each node of that content.
        const auto paste = [&](const XmlNode &node, const XmlNode &origin) {
            const XmlNode copy = XmlImport::Copy(target, node, origin);
            if (copy.nodeType() != NodeType::DocumentFragment) {
                appended.append(InsertNode(target, copy));
                return;
            }
            for (XmlNode part = copy.firstChild(); !part.isNull(); part = copy.firstChild())
                appended.append(InsertNode(target, part));
        };
        XmlNodeList items = clipboard.Fragment().childNodes();
        for (XmlNode item = items.nextNode(); !item.isNull(); item = items.nextNode()) {
            const XmlNode origin = clipboard.Origin(item);
            if (item.nodeName() == QLatin1String("CLIPBOARD") && clipboard.IsFromSystemClipboard(item)) {
                XmlNodeList wrapped = item.childNodes();
                for (XmlNode inner = wrapped.nextNode(); !inner.isNull(); inner = wrapped.nextNode())
                    paste(inner, origin);
            } else {
                paste(item, origin);
            }
        }
        for (XmlNode attribute = attributes.nextNode(); !attribute.isNull(); attribute = attributes.nextNode()) {
            QString name = attribute.nodeName();
            for (int i = 0; target.getAttribute(name).has_value(); ++i)
                name = attribute.nodeName() + QString::number(i);
            AddAttribute(target, name, attribute.nodeValue());
            addedAttributes.append(name);
        }
    } catch (const CComError &error) {
        try {
            for (auto it = appended.crbegin(); it != appended.crend(); ++it)
                RemoveNode(*it);
            for (const QString &name : std::as_const(addedAttributes))
                RemoveAttribute(target, target.getAttributeNode(name));
        } catch (const CComError &) {
            // What could not be taken back stays; the report below tells the paste failed.
        }
        ReportComError(QStringLiteral("Unable to paste items."), error);
        return false;
    }
    ResetNodeClipboard();
    return true;
}

bool CWorkSpaceDoc::PasteFromSystemClipboard()
{
    const QClipboard *system = QGuiApplication::clipboard();
    const QString text = system ? system->text() : QString();
    if (text.isEmpty())
        return false;
    // A parser of its own that reads nothing but the text: no DTD, no external entity.
    XmlDocument parser;
    parser.setValidateOnParse(false);
    parser.setResolveExternals(false);
    if (!parser.loadXML(text)) {
        ReportDOMError(CComError(ComCode::Ok), QStringLiteral("Failed to create DOM using text in clipboard."), &parser);
        return false;
    }
    CNodeClipboard &clipboard = CNodeClipboard::instance();
    const bool wasFilled = clipboard.IsFilled();
    CEditTransaction edit(this, QStringLiteral("Paste from Clipboard"));
    const XmlNode root = parser.documentElement();
    if (!PutNodeOnClipboard(false, root))
        return false;
    XmlNode added = clipboard.Fragment().lastChild();
    clipboard.MarkFromSystemClipboard(added);
    if (PasteNodes())
        return true;
    // The text stays off the node clipboard when it could not be pasted: Paste then offers only
    // what the user cut or copied before.
    try {
        clipboard.Fragment().removeChild(added);
    } catch (const CComError &) {
    }
    clipboard.SetFilled(wasFilled);
    return false;
}
