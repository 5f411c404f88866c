#include "nodepicture.h"

#include <QHash>

// Declared here as well as in commandicon.cpp: the resource file sits in a static library, and
// registering it before the first look-up keeps the linker from dropping it.
static void ensureNodeResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon NodePicture(int resourceId)
{
    static const QHash<int, const char *> files = {
        {132, "node-document"},
        {133, "node-element"},
        {134, "node-text"},
        {135, "node-attribute"},
        {136, "node-comment"},
        {137, "node-cdata"},
        {138, "node-doctype"},
        {139, "node-processing-instruction"},
        {177, "node-entity-reference"},
    };
    ensureNodeResources();
    // QIcon shares its data: the cache hands out cheap copies and each file is parsed once.
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(resourceId);
    if (cached != cache.cend())
        return *cached;
    const char *name = files.value(resourceId);
    const QIcon icon = name ? QIcon(QStringLiteral(":/treewright/icons/nodes/%1.svg").arg(QLatin1String(name))) : QIcon();
    cache.insert(resourceId, icon);
    return icon;
}
