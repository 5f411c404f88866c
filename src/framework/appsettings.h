#pragma once

#include <QString>

// The program's stored settings: organisation and application "Treewright". Integers are read
// afresh whenever they are needed, so a change takes effect at the next use.
namespace AppSettings {

int GetProfileInt(const QString &section, const QString &key, int defaultValue);
void WriteProfileInt(const QString &section, const QString &key, int value);

// Section "Settings" holds the three switches; each counts as on only when it is exactly 1.
bool IsSettingOn(const QString &key);

inline const char DisplayFullPath[] = "displayFullPath";
inline const char ValidateOnParse[] = "validateOnParse";
inline const char ResolveExternals[] = "resolveExternals";

}
