// Paste from Clipboard with any text: refused with a report, or pasted under the current node
// of a document that still saves and parses again.
#include "fuzzsupport.h"
#include "document/nodeclipboard.h"
#include "document/workspacedoc.h"

#include <QClipboard>
#include <QGuiApplication>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::init();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    CWorkSpaceDoc doc;
    doc.OnNewDocument();
    const ItemKey key = doc.NewItemKey();
    doc.SetItemNode(key, doc.GetDOMDocument()->documentElement());
    doc.SetCurrentItem(key);
    doc.PasteFromSystemClipboard();
    const QByteArray text = doc.GetDOMDocument()->xmlUtf8();
    XmlDocument again;
    FuzzSupport::require(again.loadXML(QString::fromUtf8(text)), "the document parses again after a paste");
    doc.ResetNodeClipboard();
    return 0;
}
