#pragma once

#include "xmldocument.h"
#include "xmlnode.h"

#include <QString>

#include <memory>

// One change an edit made to the DOM, with what it takes to make it again and to take it back.
// Nodes that an edit removed stay owned by their document, so the handles here never dangle.
struct CEditAction
{
    enum class Kind {
        Insert,          // `node` put under `parent` before `next` (appended when null)
        Remove,          // `node` taken from under `parent`, where it stood before `next`
        Rename,          // element `node` renamed from `before` to `after`
        Value,           // `node`'s value changed from `before` to `after`
        AttributeAdd,    // attribute `node` set on element `parent`
        AttributeRemove, // attribute `node` removed from element `parent`
        ReplaceTree,     // the document's whole tree swapped with `tree`
    };

    Kind kind;
    XmlNode node;
    XmlNode parent;
    XmlNode next;
    QString before;
    QString after;
    // For ReplaceTree: the tree that is not the document's now; each undo and redo swaps it.
    std::unique_ptr<XmlDocument> tree;
    QString path; // for ReplaceTree: the path of the node that was current
};
