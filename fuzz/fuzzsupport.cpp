#include "fuzzsupport.h"

#include "framework/appsettings.h"
#include "framework/messagehelper.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    // Settings of our own, which no other program writes while a long session runs: the parser
    // switches are read afresh at every parse, so a test run elsewhere that turned one on would
    // change how every later input is read.
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/fuzz-home-XXXXXX"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::ValidateOnParse), 0);
    AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::ResolveExternals), 0);
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
