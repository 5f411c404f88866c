#pragma once

// What a conforming parser would refuse, checked before a name or text goes into the tree, so
// that a save never writes a file that cannot be opened again. UTF-8 in, true when acceptable.

#include <QByteArray>
#include <QString>

namespace XmlChecks {

bool isName(const QByteArray &name);        // an XML Name, at most one colon, not at either end
bool isNcName(const QByteArray &name);      // a Name without colon
bool hasOnlyXmlChars(const QString &text);  // no character XML forbids, no lone surrogate
bool isCommentText(const QString &text);    // no "--", not ending in "-"
bool isPiData(const QString &text);         // no "?>"
bool isCdataText(const QString &text);      // no "]]>"
// The data of an XML declaration: version, then optional encoding and standalone, in order.
bool isDeclarationData(const QString &data);
// The encoding an XML declaration names; empty when it names none.
QByteArray declarationEncoding(const QString &data);

}
