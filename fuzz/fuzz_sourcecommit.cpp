// The source editor's text taken into the document: any text either becomes the tree or leaves
// the document exactly as it was.
#include "fuzzsupport.h"
#include "document/workspacedoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::init();
    CWorkSpaceDoc doc;
    doc.OnNewDocument();
    const QByteArray before = doc.GetDOMDocument()->xmlUtf8();
    const bool taken = doc.CommitSourceText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray after = doc.GetDOMDocument()->xmlUtf8();
    if (!taken)
        FuzzSupport::require(after == before, "a refused text leaves the document as it was");
    XmlDocument again;
    FuzzSupport::require(again.loadXML(QString::fromUtf8(after)), "the document parses again");
    return 0;
}
