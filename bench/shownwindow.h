#pragma once

#include <QModelIndex>

#include <memory>
#include <string>

class CChildFrame;
class CCommandManager;
class CEditPage;
class CElementView;
class CWorkSpaceDoc;
class XmlNode;

// A document open in its window as the user has it: the document window shown (offscreen), its
// tree built with "Document" and the root element expanded, painted, and a command route through
// it. Throws BenchError when the document does not open.
class ShownWindow
{
public:
    explicit ShownWindow(const std::string &path);
    ~ShownWindow();

    CWorkSpaceDoc &Document() const { return *m_document; }
    CChildFrame &Frame() const { return *m_frame; }
    CElementView &Tree() const;
    CCommandManager &Commands() const { return *m_commands; }
    CEditPage &SourcePage() const;

    // The item of `node`, made and scrolled into view (its parents expanded), not selected.
    QModelIndex ShowItem(const XmlNode &node);
    // Selects the item as a click on it does (as the arrow keys do, for an item nested deeper
    // than the tree is wide).
    void Click(const QModelIndex &index);
    // Runs a command along the route; throws BenchError when it did not run.
    void Run(int commandId, const char *name);

private:
    std::unique_ptr<CWorkSpaceDoc> m_document;
    std::unique_ptr<CChildFrame> m_frame;
    std::unique_ptr<CCommandManager> m_commands;
};
