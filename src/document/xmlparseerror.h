#pragma once

#include <QString>

// What the parser reports about the last failed load.
struct XmlParseError
{
    unsigned errorCode = 0;
    int line = 0;
    int linepos = 0;
    long long filepos = 0;
    QString reason;
    QString srcText;
};
