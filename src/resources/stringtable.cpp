#include "stringtable.h"

#include <QHash>

namespace {

const QHash<int, QString> &table()
{
    static const QHash<int, QString> strings = {
        {100, QStringLiteral("OLE initialization failed.  Make sure that the OLE libraries are the correct version.")},
        {128, QStringLiteral("Treewright\nXML File\nXML File\nXML File (*.xml)\n.xml;\nTreewright.Document\nTreewr Document")},
        {131, QStringLiteral("Treewright\nXML File\nXML File\nXML File (*.xml)\n.xml;\nTreewright.Document\nTreewr Document")},
        {57344, QStringLiteral("Treewright")},
        {57345, QStringLiteral("Ready")},
        {61446, QStringLiteral("No item selected.")},
        {61447, QStringLiteral("Failed to create instance of Microsoft DOM Fragment.")},
        {61448, QStringLiteral("Cannot move element: The destination is a sub-element of the source element.")},
        {61449, QStringLiteral("This operation can not be performed on an attribute")},
        {61453, QStringLiteral("Failed to create instance of Microsoft XML DOM Parser.")},
        {61454, QStringLiteral("A general application error has occured.")},
        {61455, QStringLiteral("error saving file to ftp resource.")},
    };
    return strings;
}

} // namespace

QString LoadResString(int id)
{
    return table().value(id);
}

bool HasResString(int id)
{
    return table().contains(id);
}
