#include "appsettings.h"

#include <QSettings>

namespace AppSettings {

int GetProfileInt(const QString &section, const QString &key, int defaultValue)
{
    QSettings settings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
    bool ok = false;
    const int value = settings.value(section + QLatin1Char('/') + key, defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

void WriteProfileInt(const QString &section, const QString &key, int value)
{
    QSettings settings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
    settings.setValue(section + QLatin1Char('/') + key, value);
}

bool IsSettingOn(const QString &key)
{
    return GetProfileInt(QStringLiteral("Settings"), key, 0) == 1;
}

}
