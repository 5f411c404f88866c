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

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Treewright, an editor for XML documents."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption noSplash(QStringLiteral("no-splash"), QStringLiteral("Start without the start-up picture."));
    parser.addOption(noSplash);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("XML files to open; none opens a new document."), QStringLiteral("[file...]"));
    parser.process(application);

    CTreewrightApp app;
    if (!app.InitInstance(parser.positionalArguments(), !parser.isSet(noSplash)))
        return 1;
    const int result = application.exec();
    app.ExitInstance();
    return result;
}
