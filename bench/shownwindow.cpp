#include "shownwindow.h"

#include "benchsupport.h"
#include "figures.h"

#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "panes/childframe.h"
#include "panes/editpage.h"
#include "panes/propertysheetview.h"
#include "panes/treewrightview.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

constexpr int SourcePageIndex = 2;

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos)
{
    const QPointF local(pos);
    QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

ShownWindow::ShownWindow(const std::string &path)
    : m_document(std::make_unique<CWorkSpaceDoc>())
{
    if (!m_document->OnOpenDocument(QString::fromStdString(path)))
        throw BenchError("OnOpenDocument failed: " + TakeMessages());
    m_frame = std::make_unique<CChildFrame>(m_document.get());
    m_frame->OnInitialUpdate();
    m_frame->resize(800, 600);
    m_frame->show();
    CElementView &tree = Tree();
    const QModelIndex documentItem = tree.model()->index(0, 0);
    tree.expand(documentItem);
    const QModelIndex rootItem = tree.TreeModel()->IndexForNode(m_document->GetDOMDocument()->documentElement());
    if (rootItem.isValid())
        tree.expand(rootItem);
    SettleEvents();
    m_commands = std::make_unique<CCommandManager>();
    m_commands->SetRoute([this] { return m_frame->CommandRoute(); });
}

ShownWindow::~ShownWindow()
{
    m_commands.reset();
    m_frame.reset();
    m_document.reset();
}

CElementView &ShownWindow::Tree() const
{
    return *m_frame->TreePane();
}

CEditPage &ShownWindow::SourcePage() const
{
    CPropertySheetView *sheet = m_frame->NodePane()->Sheet();
    auto *page = sheet ? qobject_cast<CEditPage *>(sheet->GetPage(SourcePageIndex)) : nullptr;
    if (!page)
        throw BenchError("the window has no Source page");
    return *page;
}

QModelIndex ShownWindow::ShowItem(const XmlNode &node)
{
    CElementView &tree = Tree();
    const QModelIndex index = tree.TreeModel()->IndexForNode(node);
    if (!index.isValid())
        throw BenchError("the tree has no item for the element");
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        tree.expand(above);
    tree.scrollTo(index, QAbstractItemView::PositionAtCenter);
    SettleEvents();
    return index;
}

void ShownWindow::Click(const QModelIndex &index)
{
    CElementView &tree = Tree();
    const QRect rect = tree.visualRect(index);
    if (!rect.isValid()) {
        // Nested deeper than the tree is wide, the label lies beyond the column: the user moves
        // there with the keys, which makes the item current the same way.
        tree.setCurrentIndex(index);
        return;
    }
    // Clicked on the label, not on the branch decoration.
    const QPoint at(rect.left() + qMin(rect.width() / 2, 30), rect.center().y());
    sendMouse(tree.viewport(), QEvent::MouseButtonPress, at);
    sendMouse(tree.viewport(), QEvent::MouseButtonRelease, at);
}

void ShownWindow::Run(int commandId, const char *name)
{
    if (!m_commands->Execute(commandId))
        throw BenchError(std::string(name) + " did not run: " + TakeMessages());
}
