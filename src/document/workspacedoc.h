#pragma once

#include "framework/documentbase.h"
#include "xmldocument.h"
#include "xmlnode.h"

#include <QHash>
#include <QString>

#include <memory>

class CComError;

// The key of a shown tree item; 0 means none.
using ItemKey = quintptr;

// One open XML document: its parser document, the binding of tree items to nodes, the current
// item, the state of a pending reload from the source text, and the FTP origin of a document
// that came from a server. Views read the tree through it and ask it for every change.
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
    // True for a document that has never been saved under a name of its own.
    bool IsUntitled() const { return GetPathName().isEmpty(); }

    // Set by every edit with the modified flag; cleared by selection, the first build and a
    // source commit, so the Source and Browse pages know when to read the document again.
    bool ArePagesStale() const { return m_pagesStale; }
    void SetPagesStale(bool stale) { m_pagesStale = stale; }

    XmlDocument *GetDOMDocument() const { return m_dom.get(); }
    bool CreateDOMInstance();

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

    void SetSourceChanged(bool changed) { m_sourceChanged = changed; }
    bool IsSourceChanged() const { return m_sourceChanged; }
    void SetSourceTempPath(const QString &path) { m_sourceTempPath = path; }
    QString GetSourceTempPath() const { return m_sourceTempPath; }
    // Replaces the tree by the one parsed from the temporary source file, which is deleted in
    // every case. A text that does not parse is reported and leaves the tree as it was; returns
    // whether the tree was replaced.
    bool ReloadFromSourceTemp();

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
    bool IsCurrentNodeElement() const;

    // The node clipboard, shared by all documents.
    void ResetNodeClipboard();
    // Cut or copy one node (the current node when null).
    bool PutNodeOnClipboard(bool cut, const XmlNode &node = XmlNode());
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

private:
    void ApplyParserSettings(XmlDocument &parser) const;

    std::unique_ptr<XmlDocument> m_dom;
    QHash<ItemKey, XmlNode> m_items;
    QHash<XmlNode, ItemKey> m_keysByNode;
    ItemKey m_currentItem = 0;
    bool m_sourceChanged = false;
    bool m_pagesStale = false;
    QString m_sourceTempPath;
    bool m_hasFtpOrigin = false;
    bool m_ftpUploadPending = false;
    quint16 m_ftpPort = 21;
    QString m_ftpRemotePath, m_ftpPassword, m_ftpServer, m_ftpUser;

    static bool s_dragging;
};
