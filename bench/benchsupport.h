#pragma once

// What the measurements share: the messages a failing step showed, the document's middle
// element, and the work a child does before it measures anything.

#include <QString>

#include <string>

class XmlDocument;
class XmlNode;

// Message boxes shown during the measured work; a figure that fails reports them.
void RecordMessage(const QString &text);
std::string TakeMessages();

// An element that no shortcut makes cheap to reach: the middle child element of the root when
// the root has several, otherwise (a chain of single children) the element halfway down.
XmlNode MiddleElement(const XmlDocument &dom);
// The element at the bottom of the chain of middle child elements from the root: the deepest
// element of a nested document, a leaf of a middle record in an export.
XmlNode BottomElement(const XmlDocument &dom);

// Lets the window do what a change asked of it: pending layouts, paints and deferred deletes.
void SettleEvents();
