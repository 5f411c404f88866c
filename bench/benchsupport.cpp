#include "benchsupport.h"

#include "document/xmldocument.h"
#include "document/xmlnode.h"

#include <QCoreApplication>
#include <QEvent>

#include <vector>

namespace {

QString &recordedMessages()
{
    static QString messages;
    return messages;
}

std::vector<XmlNode> childElements(const XmlNode &node)
{
    std::vector<XmlNode> elements;
    for (XmlNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        if (child.nodeType() == NodeType::Element)
            elements.push_back(child);
    return elements;
}

} // namespace

void RecordMessage(const QString &text)
{
    recordedMessages() += text + QLatin1Char('\n');
}

std::string TakeMessages()
{
    std::string text = recordedMessages().simplified().toStdString();
    recordedMessages().clear();
    return text;
}

XmlNode MiddleElement(const XmlDocument &dom)
{
    const XmlNode root = dom.documentElement();
    const std::vector<XmlNode> children = childElements(root);
    if (children.size() >= 2)
        return children[children.size() / 2];
    std::vector<XmlNode> chain;
    for (XmlNode node = root; !node.isNull();) {
        chain.push_back(node);
        const std::vector<XmlNode> below = childElements(node);
        node = below.empty() ? XmlNode() : below.front();
    }
    return chain[chain.size() / 2];
}

XmlNode BottomElement(const XmlDocument &dom)
{
    XmlNode node = dom.documentElement();
    for (;;) {
        const std::vector<XmlNode> children = childElements(node);
        if (children.empty())
            return node;
        node = children[children.size() / 2];
    }
}

void SettleEvents()
{
    // Twice: a layout done on the first pass may post the paint it needs.
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
