#include "nodeproperties.h"

#include "modaldialogrunner.h"
#include "nodeinfopage.h"
#include "nodepropertysheet.h"
#include "nodesourcepage.h"
#include "document/workspacedoc.h"

namespace {

// Eight hexadecimal digits that stay the same for the node as long as it lives.
QString identityText(const char *format, const XmlNode &node)
{
    return QString::asprintf(format, static_cast<unsigned>(node.identity() & 0xFFFFFFFFu));
}

} // namespace

void ShowNodeProperties(CWorkSpaceDoc *document, QWidget *parent)
{
    if (!document)
        return;
    const XmlNode node = document->GetCurrentNode();
    if (node.isNull())
        return;
    CNodePropertySheet sheet(QStringLiteral("Properties"), parent);
    sheet.SourcePage()->SetSource(node.xml());
    sheet.InfoPage()->SetNodeAddress(identityText("A: %08x", node));
    const XmlNode parentNode = node.parentNode();
    if (!parentNode.isNull())
        sheet.InfoPage()->SetParentAddress(identityText("B: %08x", parentNode));
    RunModalDialog(sheet);
}
