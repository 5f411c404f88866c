#pragma once

#include "diskstamp.h"
#include "editaction.h"
#include "framework/documentbase.h"
#include "xmldocument.h"
#include "xmlnode.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class QUndoStack;

class CComError;

// The key of a shown tree item; 0 means none.
using ItemKey = quintptr;

// One open XML document: its parser document, the binding of tree items to nodes, the current
// item, and the FTP origin of a document
// that came from a server. Views read the tree through it and ask it for every change: each
// operation runs in one edit (CEditTransaction), announces what it did to the structure through
// the signals below while it runs, and ends with one UpdateAllViews.
class CWorkSpaceDoc : public CDocumentBase
{
    Q_OBJECT

public:
    explicit CWorkSpaceDoc(QObject *parent = nullptr);
    ~CWorkSpaceDoc() override;

    bool OnNewDocument();
    bool OnOpenDocument(const QString &path);
    bool OnSaveDocument(const QString &path);
    void SetTitle(const QString &title) override;
    void SetModifiedFlag(bool modified) override;
    // Whether another program changed or removed the file since the document read or wrote it.
    enum class DiskChange { None, Changed, Deleted };
    DiskChange CheckDiskChange() const;
    // The file as it stands now counts as seen: the same change is not told twice.
    void AcceptDiskState() { m_diskStamp = DiskStamp::Of(GetPathName()); }
    // Reads the file again in place of the tree, unmodified afterwards; a file that no longer
    // parses is reported and the document stays as it was.
    bool ReloadFromDisk();
    // True for a document that has never been saved under a name of its own.
    bool IsUntitled() const { return GetPathName().isEmpty(); }

    // Set by every edit with the modified flag; cleared by selection, the first build and a
    // source commit, so the Source and Browse pages know when to read the document again.
    bool ArePagesStale() const { return m_pagesStale; }
    void SetPagesStale(bool stale) { m_pagesStale = stale; }

    // Edits. Nested edits join the outermost; when that ends after a change the document is marked
    // modified, its pages stale, and every view is told once.
    // The outermost edit's `name` names its step in the history ("Rename", "Paste").
    void BeginEdit(const QString &name = QString());
    void EndEdit();
    bool IsEditing() const { return m_editDepth > 0; }
    // The history: one step per edit that changed the DOM. Undoing back to the state last saved
    // clears the modified mark; redoing past it sets it again.
    QUndoStack *UndoStack() const { return m_undo; }
    bool Undo();
    bool Redo();

    XmlDocument *GetDOMDocument() const { return m_dom.get(); }
    bool CreateDOMInstance();

    // A key no item of this document had before, for the tree's next item.
    ItemKey NewItemKey() { return m_nextItemKey++; }
    void SetItemNode(ItemKey key, const XmlNode &node);
    XmlNode GetItemNode(ItemKey key) const;
    void RemoveItem(ItemKey key);
    void RemoveAllItems();
    ItemKey GetItemKey(const XmlNode &node) const;
    void SetCurrentItem(ItemKey key);
    ItemKey GetCurrentItem() const { return m_currentItem; }
    XmlNode GetCurrentNode() const { return GetItemNode(m_currentItem); }

    QString GetNodePath(const XmlNode &node = XmlNode()) const;
    // The first node in document order whose path is `path`; null when none.
    XmlNode FindNodeByPath(const QString &path) const;
    // Makes current the shown item of the first node in document order with that path.
    ItemKey SelectItemByPath(const QString &path);

    void SetSourceTempPath(const QString &path) { m_sourceTempPath = path; }
    QString GetSourceTempPath() const { return m_sourceTempPath; }
    // Replaces the tree by the one parsed from the temporary source file, which is deleted in
    // every case. A text that does not parse is reported and leaves the tree as it was; returns
    // whether the tree was replaced.
    bool ReloadFromSourceTemp();
    // The source editor's text (UTF-8) becomes the document: written to a temporary file in the
    // encoding its declaration names and reloaded from there, keeping the current node's path
    // current. False, after a report, when the text could not be written or does not parse; the
    // document then stays as it was.
    bool CommitSourceText(const QByteArray &utf8);

    void SetFtpOrigin(const QString &server, const QString &user, const QString &password,
                      const QString &remotePath, quint16 port);
    bool HasFtpOrigin() const { return m_hasFtpOrigin; }
    QString FtpServer() const { return m_ftpServer; }
    QString FtpUser() const { return m_ftpUser; }
    QString FtpPassword() const { return m_ftpPassword; }
    QString FtpRemotePath() const { return m_ftpRemotePath; }
    quint16 FtpPort() const { return m_ftpPort; }
    // True after a save whose upload failed, until a save uploads again.
    bool IsFtpUploadPending() const { return m_ftpUploadPending; }

    // The parse-error report of `parser` (the document's own when null).
    void ReportDOMError(const CComError &error, const QString &headline, const XmlDocument *parser = nullptr) const;

    // Node operations. Each reports its own failures and answers whether it worked.
    // Makes a node of `type` (1, 2, 3, 4, 7 or 8) under the node of `parentKey` (the document
    // for an element when 0); returns it, or null after a report.
    XmlNode CreateNode(ItemKey parentKey, int type, const QString &name, const QString &value);
    QString GetNodeTypeName(const XmlNode &node = XmlNode()) const;
    bool RenameNode(const XmlNode &node, const QString &newName);
    bool DeleteNode(ItemKey key = 0);
    // The value of a node edited in the node list: an attribute's or a comment's value, a text's
    // text. Reports and answers false when the node keeps its value.
    bool SetNodeValue(const XmlNode &node, const QString &value);
    // An instruction with `target` and `data` takes the place of `old` among its siblings; the
    // XML declaration, which no second instruction can stand beside, changes its data in place.
    bool ReplaceInstruction(const XmlNode &old, const QString &target, const QString &data);
    bool IsCurrentNodeElement() const;

    // The node clipboard, shared by all documents.
    void ResetNodeClipboard();
    // Cut or copy one node (the current node when null). A cut that fails leaves the clipboard
    // as it was.
    bool PutNodeOnClipboard(bool cut, const XmlNode &node = XmlNode());
    // Empties the clipboard and cuts or copies `nodes` onto it in one edit; false when one failed.
    bool PutNodesOnClipboard(bool cut, const QList<XmlNode> &nodes);
    // Removes `nodes` in one edit, leaving the clipboard empty.
    bool DeleteNodes(const QList<XmlNode> &nodes);

    // Where a node stands, so that a node cut by a move that failed can be put back there.
    struct NodePlace
    {
        XmlNode node;
        XmlNode parent;
        XmlNode nextSibling;
        XmlNode ownerElement;
    };
    static NodePlace PlaceOf(const XmlNode &node);
    // Puts cut nodes back where they stood, the last first; a place that is gone keeps its node out.
    void PutNodesBack(const QList<NodePlace> &places);
    // Pastes copies of the clipboard's nodes under the current node; a paste that fails keeps
    // the clipboard as it was.
    bool PasteNodes();
    // Parses the system clipboard's text and pastes its root element (or, when that is named
    // "CLIPBOARD", its children).
    bool PasteFromSystemClipboard();
    static void SetDragging(bool dragging) { s_dragging = dragging; }
    static bool IsDragging() { return s_dragging; }
    static bool IsClipboardFilled();

    static const char *const NewDocumentTemplate;
    static const char *const NewDocumentName;

Q_SIGNALS:
    // An outermost edit is about to change the tree: whatever reads it on another thread stops
    // first (connected directly, so the edit waits for it).
    void editStarting();
    // Told while an edit runs, right after the change, so that the tree's items follow the DOM
    // whoever changed it.
    void nodeInserted(const XmlNode &node);
    void nodeRemoved(const XmlNode &node, const XmlNode &formerParent);
    void nodeRenamed(const XmlNode &node);
    // The whole tree was replaced; `currentPath` is the path of the node that was current.
    void documentReplaced(const QString &currentPath);
    // After an undo or redo: the node the step touched, for the tree to select.
    void selectionRequested(const XmlNode &node);

private:
    void ApplyParserSettings(XmlDocument &parser) const;
    // Reads a file into `parser`; a large one on a thread of its own, the window painting, the
    // bytes read shown and Cancel offered. False when it did not load or was cancelled (then
    // `cancelled` is set and there is nothing to report).
    bool LoadParser(XmlDocument &parser, const QString &path, const QString &label, bool *cancelled) const;
    // Writes the tree to `path`; a large document on a thread of its own. Throws CComError.
    void SaveTree(const QString &path) const;
    // The structural changes every operation makes through: each changes the DOM, counts as a
    // change of the running edit and tells the tree.
    XmlNode InsertNode(XmlNode parent, const XmlNode &node, const XmlNode &before = XmlNode());
    void RemoveNode(const XmlNode &node);
    XmlNode ReplaceNode(const XmlNode &newNode, const XmlNode &old);
    // Replaces the tree by the one parsed from `path`, in the running edit; a file that does not
    // parse is reported and leaves the tree as it was.
    bool ReplaceTreeFrom(const QString &path);
    void MarkChanged() { m_editChanged = true; }
    void Record(CEditAction action);
    void RenameElement(const XmlNode &element, const QString &name);
    void ChangeValue(const XmlNode &node, const QString &value);
    XmlNode AddAttribute(XmlNode element, const QString &name, const QString &value);
    void AddAttributeNode(XmlNode element, const XmlNode &attribute, const XmlNode &before = XmlNode());
    void RemoveAttribute(XmlNode element, const XmlNode &attribute);
    // Makes the changes of a step again, or takes them back, as one edit.
    friend class CEditStep;
    void ReplayStep(std::vector<CEditAction> &actions, bool undo);
    void ReplayAction(CEditAction &action, bool forward, XmlNode *focus);
    void RegisterCommands();
    // Puts `node` on the node clipboard; throws CComError after taking back what it added.
    void PutOnClipboard(bool cut, const XmlNode &node);

    std::unique_ptr<XmlDocument> m_dom;
    DiskStamp m_diskStamp;
    QHash<ItemKey, XmlNode> m_items;
    QHash<XmlNode, ItemKey> m_keysByNode;
    ItemKey m_currentItem = 0;
    ItemKey m_nextItemKey = 1;
    int m_editDepth = 0;
    bool m_editChanged = false;
    QString m_editName;
    std::vector<CEditAction> m_editActions;
    bool m_replaying = false;
    QUndoStack *m_undo;
    bool m_pagesStale = false;
    QString m_sourceTempPath;
    bool m_hasFtpOrigin = false;
    bool m_ftpUploadPending = false;
    quint16 m_ftpPort = 21;
    QString m_ftpRemotePath, m_ftpPassword, m_ftpServer, m_ftpUser;

    static bool s_dragging;
};
