// The document in its window, as the user works with it: open, click, edit, the Source tab.
#include "benchsupport.h"
#include "measurements.h"
#include "shownwindow.h"

#include "document/workspacedoc.h"
#include "document/xmltreereleaser.h"
#include "panes/childframe.h"
#include "panes/editpage.h"
#include "panes/pagedsourceview.h"
#include "panes/propertysheetview.h"
#include "panes/sourceedit.h"
#include "panes/treewrightview.h"
#include "resources/commandids.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"

#include <QTemporaryDir>

namespace {

constexpr int SourcePageIndex = 2;

// Opening a file into a shown window with its tree.
class OpenShown : public Measurement
{
public:
    void Run() override { m_window = std::make_unique<ShownWindow>(m_path); }
    void Finish() override { m_window.reset(); }

private:
    std::unique_ptr<ShownWindow> m_window;
};

// A shown window with the middle element's item in view.
class WithMiddleItem : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_window = std::make_unique<ShownWindow>(path);
        m_node = MiddleElement(*m_window->Document().GetDOMDocument());
        m_index = m_window->ShowItem(m_node);
    }
    void Finish() override { m_window.reset(); }

protected:
    // The middle element made current by a click, as before an edit.
    void SelectMiddle()
    {
        m_window->Click(m_index);
        SettleEvents();
        if (m_window->Document().GetCurrentNode() != m_node)
            throw BenchError("the click did not select the element");
    }

    std::unique_ptr<ShownWindow> m_window;
    XmlNode m_node;
    QPersistentModelIndex m_index;
};

// A click on an element: it becomes current, the node list shows its rows, the status bar its path.
class SelectElement : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        // Something else is current before the click.
        const QModelIndex before = m_index.row() > 0 ? m_index.sibling(m_index.row() - 1, 0) : m_index.parent();
        m_window->Tree().SelectItem(before);
        SettleEvents();
    }
    void Run() override
    {
        m_window->Click(m_index);
        SettleEvents();
        if (m_window->Document().GetCurrentNode() != m_node)
            throw BenchError("the click did not select the element");
    }
};

class RenameElement : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        SelectMiddle();
    }
    void Run() override
    {
        // What the label editor hands over when the user presses Enter.
        if (!m_window->Tree().model()->setData(m_index, QStringLiteral("renamed")))
            throw BenchError("the rename was refused: " + TakeMessages());
        SettleEvents();
        if (m_node.nodeName() != QLatin1String("renamed"))
            throw BenchError("the element kept its name");
    }
};

class NewChild : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        SelectMiddle();
    }
    void Run() override
    {
        m_window->Run(ID_EDIT_NEW_CHILD, "New Child");
        SettleEvents();
        if (m_window->Document().GetCurrentNode().parentNode() != m_node)
            throw BenchError("the new child is not current");
    }
};

class DeleteElement : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        SelectMiddle();
    }
    void Run() override
    {
        m_window->Run(ID_EDIT_DELETE, "Delete");
        SettleEvents();
        if (!m_node.parentNode().isNull())
            throw BenchError("the element is still in the document");
    }
};

// Cut the element, then paste it under the element the tree selected in its place.
class CutPaste : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        SelectMiddle();
    }
    void Run() override
    {
        m_window->Run(ID_EDIT_CUT, "Cut");
        m_window->Run(ID_EDIT_PASTE, "Paste");
        SettleEvents();
        if (!m_node.parentNode().isNull())
            throw BenchError("the cut element is still in the document");
    }
};

// The middle element deleted before the step, then the delete taken back: the element and its
// item come back where they were.
class UndoDelete : public WithMiddleItem
{
public:
    void Prepare(const std::string &path) override
    {
        WithMiddleItem::Prepare(path);
        SelectMiddle();
        m_window->Run(ID_EDIT_DELETE, "Delete");
        SettleEvents();
    }
    void Run() override
    {
        m_window->Run(ID_EDIT_UNDO_EDIT, "Undo");
        SettleEvents();
        if (m_node.parentNode().isNull())
            throw BenchError("the element did not come back");
    }
};

// The delete taken back before the step, then done again.
class RedoDelete : public UndoDelete
{
public:
    void Prepare(const std::string &path) override
    {
        UndoDelete::Prepare(path);
        UndoDelete::Run();
    }
    void Run() override
    {
        m_window->Run(ID_EDIT_REDO_EDIT, "Redo");
        SettleEvents();
        if (!m_node.parentNode().isNull())
            throw BenchError("the element is still in the document");
    }
};

// The Source tab chosen: the whole document as text in the editor, or its first screen in the
// paged view of a document too large for the editor, painted.
class ShowSourceTab : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_window = std::make_unique<ShownWindow>(path);
    }
    void Run() override
    {
        m_window->Frame().NodePane()->Sheet()->SetActivePage(SourcePageIndex);
        SettleEvents();
        CEditPage &page = m_window->SourcePage();
        if (page.IsShowingPagedView() ? page.PagedView()->PaintedLines().isEmpty() : page.Editor()->RawText().isEmpty())
            throw BenchError("the Source page shows no text");
    }
    void Finish() override { m_window.reset(); }

private:
    std::unique_ptr<ShownWindow> m_window;
};

// A text edited on the Source page goes back to the document: one letter of character data in
// the middle of the text is changed for another, so the text keeps its size.
class SourceCommit : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_window = std::make_unique<ShownWindow>(path);
        m_window->Frame().NodePane()->Sheet()->SetActivePage(SourcePageIndex);
        SettleEvents();
        if (m_window->SourcePage().IsShowingPagedView())
            throw BenchError("the Source page shows a text of this size read-only");
        CSourceEdit *editor = m_window->SourcePage().Editor();
        const QByteArray text = editor->RawText();
        qsizetype at = text.size() / 2;
        for (; at + 1 < text.size(); ++at) {
            const char next = text.at(at + 1);
            if (text.at(at) == '>' && ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Y')))
                break;
        }
        if (at + 1 >= text.size())
            throw BenchError("no character data to change in the second half of the text");
        const char replacement = text.at(at + 1) == 'x' ? 'y' : 'x';
        editor->SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(at + 1), long(at + 2));
        editor->SendScintilla(QsciScintilla::SCI_REPLACETARGET, 1UL, &replacement);
        if (!editor->IsTextModified())
            throw BenchError("the edit did not count as a change");
    }
    void Run() override
    {
        const auto before = reinterpret_cast<quintptr>(m_window->Document().GetDOMDocument());
        if (!m_window->SourcePage().CommitSource())
            throw BenchError("the text was refused: " + TakeMessages());
        SettleEvents();
        if (reinterpret_cast<quintptr>(m_window->Document().GetDOMDocument()) == before)
            throw BenchError("the document did not take the text");
    }
    void Finish() override { m_window.reset(); }

private:
    std::unique_ptr<ShownWindow> m_window;
};

// Open, go down the tree to the bottom element, rename it and save: what a document nested ten
// thousand levels deep must survive.
class DescendRenameSave : public Measurement
{
public:
    void Run() override
    {
        if (!m_dir.isValid())
            throw BenchError("no temporary folder");
        m_window = std::make_unique<ShownWindow>(m_path);
        const XmlNode bottom = BottomElement(*m_window->Document().GetDOMDocument());
        const QModelIndex index = m_window->ShowItem(bottom);
        m_window->Click(index);
        SettleEvents();
        if (!m_window->Tree().model()->setData(index, QStringLiteral("renamed")))
            throw BenchError("the rename was refused: " + TakeMessages());
        SettleEvents();
        if (!m_window->Document().OnSaveDocument(m_dir.filePath(QStringLiteral("saved.xml"))))
            throw BenchError("OnSaveDocument failed: " + TakeMessages());
    }
    void Finish() override { m_window.reset(); }

private:
    std::unique_ptr<ShownWindow> m_window;
    QTemporaryDir m_dir;
};

// Closing a shown document: its window, its tree and the document go, as far as the window's
// thread waits for them.
class CloseShown : public Measurement
{
public:
    void Prepare(const std::string &path) override { m_window = std::make_unique<ShownWindow>(path); }
    void Run() override { m_window.reset(); }
    // A tree freed on a thread of its own is freed before the next run.
    void Finish() override { XmlTreeReleaser::WaitUntilIdle(); }

private:
    std::unique_ptr<ShownWindow> m_window;
};

} // namespace

std::unique_ptr<Measurement> NewCloseShown() { return std::make_unique<CloseShown>(); }
std::unique_ptr<Measurement> NewOpenShown() { return std::make_unique<OpenShown>(); }
std::unique_ptr<Measurement> NewSelectElement() { return std::make_unique<SelectElement>(); }
std::unique_ptr<Measurement> NewRenameElement() { return std::make_unique<RenameElement>(); }
std::unique_ptr<Measurement> NewNewChild() { return std::make_unique<NewChild>(); }
std::unique_ptr<Measurement> NewDeleteElement() { return std::make_unique<DeleteElement>(); }
std::unique_ptr<Measurement> NewCutPaste() { return std::make_unique<CutPaste>(); }
std::unique_ptr<Measurement> NewUndoDelete() { return std::make_unique<UndoDelete>(); }
std::unique_ptr<Measurement> NewRedoDelete() { return std::make_unique<RedoDelete>(); }
std::unique_ptr<Measurement> NewShowSourceTab() { return std::make_unique<ShowSourceTab>(); }
std::unique_ptr<Measurement> NewSourceCommit() { return std::make_unique<SourceCommit>(); }
std::unique_ptr<Measurement> NewDescendRenameSave() { return std::make_unique<DescendRenameSave>(); }
