#pragma once

#include <QList>
#include <QString>

// One entry of a menu resource: a command item, a separator or a submenu.
struct MenuItemResource
{
    enum class Kind { Command, Separator, Popup };

    Kind kind = Kind::Command;
    int id = 0;                       // command id; 0 for separators and popups
    QString text;                     // exactly as in the resource, "\t" and accelerator text included
    bool grayed = false;              // the item starts disabled
    QList<MenuItemResource> items;    // the submenu's entries (Popup only)
};

// The top-level popups of menu resource `resourceId` (128, 131, 130, 172, 175, 176, 181, 219).
// An unknown id gives an empty list.
const QList<MenuItemResource> &MenuResource(int resourceId);
