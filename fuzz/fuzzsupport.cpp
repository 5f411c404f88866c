#include "fuzzsupport.h"

#include "framework/messagehelper.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

void FuzzSupport::init()
{
    static QApplication *app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    SetMessageSink([](const QString &, unsigned style) {
        return (style & 0xF) == MB::YesNo || (style & 0xF) == MB::YesNoCancel ? IDAnswer::No : IDAnswer::Ok;
    });
}

void FuzzSupport::require(bool ok, const char *what)
{
    if (ok)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

QString FuzzSupport::memoryFile(const QByteArray &bytes, int *fd)
{
    *fd = memfd_create("fuzz", MFD_CLOEXEC);
    if (*fd < 0 || ::write(*fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        std::abort();
    return QStringLiteral("/proc/self/fd/%1").arg(*fd);
}
