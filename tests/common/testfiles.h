#pragma once

#include <QByteArray>
#include <QString>

// Small helpers for tests that work with files in a temporary folder.
namespace TestFiles {

QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &data);
// The canonical form (xmllint --c14n) of an XML file, for comparing documents after a round trip.
QByteArray canonical(const QString &path);

}
