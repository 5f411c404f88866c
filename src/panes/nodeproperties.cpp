#include "nodeproperties.h"

#include "modaldialogrunner.h"
#include "nodeinfopage.h"
#include "nodepropertysheet.h"
#include "nodesourcepage.h"
#include "document/workspacedoc.h"

namespace {

// A value that stays the same for the node as long as it lives, after `prefix`.
QString identityText(const char *prefix, const XmlNode &node)
{
    // The whole value, at least eight lower-case hexadecimal digits: two nodes whose values
    // differ only above the lowest 32 bits must not look alike.
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(quint64(node.identity()), 8, 16, QLatin1Char('0'));
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
    sheet.InfoPage()->SetNodeAddress(identityText("A: ", node));
    const XmlNode parentNode = node.parentNode();
    if (!parentNode.isNull())
        sheet.InfoPage()->SetParentAddress(identityText("B: ", parentNode));
    RunModalDialog(sheet);
}
