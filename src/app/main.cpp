#include "singleinstance.h"
#include "treewrightapp.h"
#include "resources/commandicon.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    // The embedded browser of the "Browse" tab draws through a context shared with the
    // application's, which must be asked for before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Treewright"));
    QCoreApplication::setApplicationName(QStringLiteral("Treewright"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TREEWRIGHT_VERSION));
    QApplication::setWindowIcon(AppIcon());
    // Names the launcher entry, so that the desktop shows its icon and name for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.treewright.Treewright"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Treewright, an editor for XML documents."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption noSplash(QStringLiteral("no-splash"), QStringLiteral("Start without the start-up picture."));
    parser.addOption(noSplash);
    const QCommandLineOption newInstance(QStringLiteral("new-instance"),
                                         QStringLiteral("Open the files in a new program instead of the running one."));
    parser.addOption(newInstance);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("XML files to open; none opens a new document."), QStringLiteral("[file...]"));
    parser.process(application);

    // Files given while the program runs open in its window; this start then ends.
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty() && !parser.isSet(newInstance) && CSingleInstance::HandOff(files))
        return 0;

    CTreewrightApp app;
    if (!app.InitInstance(files, !parser.isSet(noSplash)))
        return 1;
    CSingleInstance instance;
    if (!parser.isSet(newInstance))
        instance.Listen(&app);
    const int result = application.exec();
    app.ExitInstance();
    return result;
}
