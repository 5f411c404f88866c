#pragma once

#include "document/workspacedoc.h"
#include "tree/elementview.h"
#include "framework/commandmanager.h"
#include "framework/panefocus.h"
#include "common/testfiles.h"

#include <QAbstractItemModelTester>
#include <QModelIndex>
#include <QStringList>
#include <QWidget>

#include <memory>

// The document window around the tree: it hears which edit menu the focused pane wants.
struct FrameWindow : QWidget, CEditMenuSwitchTarget
{
    void OnEditMenuSwitch(int menuResource) override { editMenu = menuResource; }
    int editMenu = -1;
};

// A document opened from XML text, with its element tree in a shown window of its own.
struct TreeFixture
{
    explicit TreeFixture(const QByteArray &xml);
    ~TreeFixture();

    // The item reached from "Document" through the labels given, expanding on the way.
    QModelIndex item(const QStringList &labels) const;
    // Clicks the item with the left button, as the user selects it.
    void click(const QModelIndex &index) const;
    QString xml() const;
    // From now on every change of the tree's items is checked against the item model's rules.
    void CheckModel();

    TestFiles::TempFolder folder;
    std::unique_ptr<CWorkSpaceDoc> document;
    std::unique_ptr<FrameWindow> window;
    CElementView *view = nullptr;
    std::unique_ptr<QAbstractItemModelTester> modelTester;
};

// The command route of the program, reduced to the tree's view.
struct Commands
{
    explicit Commands(TreeFixture &tree)
    {
        manager.SetRoute([&tree] { return QList<CCmdTarget *>{tree.view}; });
        manager.SetAcceleratorTable(tree.window.get(), 131);
    }
    bool enabled(int id) const { return manager.IsEnabled(id); }
    CCommandManager manager;
};

// The labels of the children of `parent`, filling the branch first.
QStringList labelsUnder(QAbstractItemModel *model, const QModelIndex &parent);
// The root element's markup.
QString rootXml(const TreeFixture &tree);

// Counts the notifications a document sends to its views.
struct NotificationCounter : CViewBase
{
    explicit NotificationCounter(CWorkSpaceDoc *doc) : document(doc) { document->AddView(this); }
    ~NotificationCounter() override { document->RemoveView(this); }
    void OnUpdate(CViewBase *, long, QObject *) override { ++count; }
    CWorkSpaceDoc *document;
    int count = 0;
};
