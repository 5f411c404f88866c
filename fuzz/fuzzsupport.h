#pragma once

#include <QByteArray>
#include <QString>

// What every fuzz target shares: an offscreen application made once, with settings of its own
// (both parser switches off), message boxes answered at once, and a check that stops the run
// with a message when an invariant breaks.
namespace FuzzSupport {

void init();
// Aborts, so that libFuzzer keeps the input, when `ok` is false.
void require(bool ok, const char *what);
// A path that reads `bytes` without touching the disk.
QString memoryFile(const QByteArray &bytes, int *fd);

}
