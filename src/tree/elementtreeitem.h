#pragma once

#include "document/workspacedoc.h"
#include "document/xmlnode.h"

#include <vector>

// One shown item of the element tree: the "Document" item, a "<!DOCTYPE>" item or an element.
// Its children are made only when the view first asks for them, a batch at a time. `lastBuilt`
// is the way from this item's node to the node of the last child item the filling made, through
// any entity references on the way (their elements show under the item that holds the
// reference); the next batch goes on from there in document order.
struct CElementTreeItem
{
    XmlNode node;
    ItemKey key = 0;
    CElementTreeItem *parent = nullptr;
    int row = 0;
    // Read once from the node: the view asks for every row's flags each time it lays the rows
    // out, and the nodes of a large document lie far apart in memory.
    int type = 0;
    // How many items lie above this one: "Document" is at depth 1.
    int depth = 0;
    std::vector<CElementTreeItem *> children;
    // How many of the children, at the end, were made ahead of the filling: the items of
    // elements appended to a long branch that is not filled yet. They are the last child nodes,
    // in document order; the filling puts its items before them until it reaches them.
    int tailCount = 0;
    std::vector<XmlNode> lastBuilt;
    // The way from the parent's node to this item's node: empty for a direct child, else the
    // entity references on the way and the node itself.
    std::vector<XmlNode> place;
    // True inside the content of an entity reference, which shows where the reference stands
    // but is part of the entity's definition: it cannot be renamed, moved or dropped on.
    bool readOnly = false;
    // True once every child item is made: the walk reached the last child node.
    bool complete = false;
    // True once a look ahead found a child node that will get an item.
    bool knownToHaveChildren = false;
    // Set on the items of a subtree while it leaves the tree in a change of layout.
    bool leaving = false;
};
