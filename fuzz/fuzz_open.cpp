// Opening a document from any bytes: refused with a report, or opened into a tree whose text
// parses again to the same text.
#include "fuzzsupport.h"
#include "document/xmldocument.h"

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::init();
    int fd = -1;
    const QString path = FuzzSupport::memoryFile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &fd);
    XmlDocument doc;
    // The tree as libxml2 writes it, not the file's own bytes that a save copies.
    doc.setRecordSource(false);
    if (doc.load(path)) {
        const QByteArray text = doc.xmlUtf8();
        XmlDocument again;
        FuzzSupport::require(again.loadXML(QString::fromUtf8(text)), "the saved text parses again");
        FuzzSupport::require(again.xmlUtf8() == text, "the saved text parses to the same tree");
        (void)doc.serializedBytes();
    } else {
        FuzzSupport::require(!doc.parseError().reason.isEmpty(), "a refusal says why");
    }
    ::close(fd);
    return 0;
}
