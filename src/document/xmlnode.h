#pragma once

#include <QString>

#include <memory>
#include <optional>

struct DomData;
struct _xmlNode;
struct _xmlNs;
class XmlNodeList;
class XmlNamedNodeMap;

// DOM node types, with the numbers every caller knows.
namespace NodeType {
constexpr int Element = 1;
constexpr int Attribute = 2;
constexpr int Text = 3;
constexpr int CDataSection = 4;
constexpr int EntityReference = 5;
constexpr int Entity = 6;
constexpr int ProcessingInstruction = 7;
constexpr int Comment = 8;
constexpr int Document = 9;
constexpr int DocumentType = 10;
constexpr int DocumentFragment = 11;
constexpr int Notation = 12;
}

// A handle to one node of a document. Copies share the node; every handle keeps the node's
// document alive, so a handle stays valid however the tree changes. A default-constructed handle
// is null. Calls that change the tree raise CComError when they would make a document the parser
// refuses; reading calls never throw.
class XmlNode
{
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr && m_ns == nullptr; }
    explicit operator bool() const { return !isNull(); }
    bool operator==(const XmlNode &other) const { return m_node == other.m_node && m_ns == other.m_ns; }
    bool operator!=(const XmlNode &other) const { return !(*this == other); }
    // A number that is the same for every handle to this node.
    size_t identity() const;

    int nodeType() const;
    QString nodeName() const;
    QString nodeValue() const;              // null for types without a value
    void setNodeValue(const QString &value);
    QString text() const;                   // the text of the node and its descendants
    void setText(const QString &text);
    QString xml() const;                    // the node's markup

    XmlNode parentNode() const;             // null at the top and for attributes
    XmlNode ownerElement() const;           // the element of an attribute
    XmlNode ownerDocument() const;
    XmlNodeList childNodes() const;
    XmlNode firstChild() const;
    XmlNode lastChild() const;
    XmlNode nextSibling() const;
    XmlNode previousSibling() const;
    bool hasChildNodes() const;
    // A text node of nothing but spaces, tabs and line breaks (not an empty one), told without
    // copying its text: the layout between elements that views do not show.
    bool isLayoutWhitespace() const;
    XmlNamedNodeMap attributes() const;     // empty for non-elements

    // Appending a node that has a parent moves it; a fragment contributes its children; a node of
    // another document is copied into this one. Each returns the node that was inserted.
    XmlNode appendChild(const XmlNode &newChild);
    XmlNode insertBefore(const XmlNode &newChild, const XmlNode &refChild);
    XmlNode removeChild(const XmlNode &child);
    XmlNode replaceChild(const XmlNode &newChild, const XmlNode &oldChild);
    XmlNode cloneNode(bool deep) const;

    // Elements only.
    // Gives the element a new name in place: children, attributes, namespace declarations and
    // every handle to it stay. A prefix binds to the namespace declared for it in scope; an
    // unprefixed name keeps the default namespace in scope.
    void renameElement(const QString &name);
    std::optional<QString> getAttribute(const QString &name) const;
    void setAttribute(const QString &name, const QString &value);
    XmlNode getAttributeNode(const QString &name) const;
    // Returns the attribute it replaced, or null. A new attribute goes before `before` (an attribute
    // of this element) when given, else last.
    XmlNode setAttributeNode(const XmlNode &attribute);
    XmlNode setAttributeNode(const XmlNode &attribute, const XmlNode &before);
    XmlNode removeAttributeNode(const XmlNode &attribute);

    // For the DOM layer itself.
    XmlNode(std::shared_ptr<DomData> owner, _xmlNode *node);
    XmlNode(std::shared_ptr<DomData> owner, _xmlNode *element, _xmlNs *ns);
    _xmlNode *rawNode() const { return m_node; }
    _xmlNs *rawNs() const { return m_ns; }
    const std::shared_ptr<DomData> &owner() const { return m_owner; }

private:
    std::shared_ptr<DomData> m_owner;
    _xmlNode *m_node = nullptr; // the node; for a namespace declaration, its element
    _xmlNs *m_ns = nullptr;     // set for a namespace declaration shown as an attribute
};

size_t qHash(const XmlNode &node, size_t seed = 0);
