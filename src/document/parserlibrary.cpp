#include "parserlibrary.h"

#include "xmldocument.h"

#include <libxml/parser.h>
#include <libxml/xmlversion.h>

#include <QString>

namespace ParserLibrary {

int BuiltVersion()
{
    return LIBXML_VERSION;
}

int RunningVersion()
{
    // The library announces itself as a decimal string, "21004" for 2.10.4.
    bool ok = false;
    const int version = QString::fromLatin1(xmlParserVersion).toInt(&ok);
    return ok ? version : 0;
}

bool VersionUsable(int running, int built)
{
    return running > 0 && running >= built;
}

bool CanCreateDocument()
{
    if (!VersionUsable(RunningVersion(), BuiltVersion()))
        return false;
    try {
        XmlDocument document;
        return document.loadXML(QStringLiteral("<check/>")) && !document.documentElement().isNull();
    } catch (...) {
        return false;
    }
}

}
