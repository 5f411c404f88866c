// The "Browse" page: the document shown through its stylesheet in the embedded browser, made
// when the tab is first shown, again after edits but never during a drag; the copy it writes
// for the browser, where it stands and that it goes with the window; what a previewed page may
// not do (run script that reads local files, reach the network); a failure told once.
#include "panes/browserpage.h"
#include "panes/childframe.h"
#include "panes/editpage.h"
#include "panes/previewfile.h"
#include "panes/propertysheetview.h"
#include "panes/treewrightview.h"
#include "panes/sourceedit.h"
#include "panes/webbrowser2.h"
#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "tree/elementview.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QDir>
#include <QTabBar>
#include <QTcpServer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QtTest>

namespace {

constexpr int BrowsePage = 1;

const QByteArray Stylesheet =
    "<?xml version=\"1.0\"?>\n"
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
    "<xsl:template match=\"/\"><html><body><h1>Books</h1>"
    "<xsl:for-each select=\"catalog/book\"><p>Title: <xsl:value-of select=\".\"/></p></xsl:for-each>"
    "</body></html></xsl:template></xsl:stylesheet>\n";

const QByteArray Catalog =
    "<?xml version=\"1.0\"?>\n<?xml-stylesheet type=\"text/xsl\" href=\"style.xsl\"?>\n"
    "<catalog><book>Moby Dick</book><book>Ulysses</book></catalog>\n";

// One document in its own window, as the program shows it.
struct Window
{
    CWorkSpaceDoc document;
    std::unique_ptr<CChildFrame> frame;

    bool open(const QString &path)
    {
        if (!document.OnOpenDocument(path))
            return false;
        frame = std::make_unique<CChildFrame>(&document);
        frame->OnInitialUpdate();
        frame->resize(900, 600);
        frame->show();
        return QTest::qWaitForWindowExposed(frame.get());
    }
    CPropertySheetView *sheet() const { return frame->NodePane()->Sheet(); }
    CBrowserPage *page() const { return qobject_cast<CBrowserPage *>(sheet()->GetPage(BrowsePage)); }
    void clickBrowseTab() const
    {
        QTabBar *tabs = sheet()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(BrowsePage).center());
    }
};

// The text of what `view` shows once it has loaded (waiting for a load in progress, if any).
QString shownText(QWebEngineView *view)
{
    QString text;
    bool done = false;
    view->page()->toPlainText([&](const QString &t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<no answer>");
    return text;
}

bool waitForLoad(QSignalSpy &finished, int count = 1)
{
    return QTest::qWaitFor([&] { return finished.count() >= count; }, 20000);
}

QStringList previewCopies(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".TWR*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestBrowserPage : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void documentShownThroughItsStylesheet()
    {
        m_dir.write(QStringLiteral("style.xsl"), Stylesheet);
        Window window;
        QVERIFY(window.open(m_dir.write(QStringLiteral("catalog.xml"), Catalog)));
        // A window that never shows the tab has no browser.
        QVERIFY(!window.page()->Browser());

        window.clickBrowseTab();
        CWebBrowser2 *browser = window.page()->Browser();
        QVERIFY(browser);
        QSignalSpy finished(browser, &QWebEngineView::loadFinished);
        QVERIFY(waitForLoad(finished));
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(shownText(browser), QStringLiteral("Books\n\nTitle: Moby Dick\n\nTitle: Ulysses"));
        QVERIFY(browser->GetSilent());

        // The copy stands hidden beside the document, so that "style.xsl" is found there.
        const QFileInfo copy(window.page()->PreviewPath());
        QCOMPARE(copy.absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
        QVERIFY(copy.fileName().startsWith(QLatin1Char('.')));

        // An edit while the tab is shown is previewed at once.
        const XmlNode second = window.document.GetDOMDocument()->documentElement().lastChild();
        QVERIFY(window.document.RenameNode(second, QStringLiteral("magazine")));
        QVERIFY(waitForLoad(finished, 2));
        QCOMPARE(shownText(browser), QStringLiteral("Books\n\nTitle: Moby Dick"));
    }

    void unchangedDocumentReloadedWithoutWritingItAgain()
    {
        Window window;
        QVERIFY(window.open(m_dir.write(QStringLiteral("reload.xml"), "<catalog><book>Emma</book></catalog>")));
        window.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.frame.get()));
        window.clickBrowseTab();
        CWebBrowser2 *browser = window.page()->Browser();
        QSignalSpy finished(browser, &QWebEngineView::loadFinished);
        QVERIFY(waitForLoad(finished));

        // Clicking into the preview shows the copy again; writing out the same document again
        // (seconds for a big one) is spared.
        TestFiles::writeAll(window.page()->PreviewPath(), "<catalog><book>Copy as it stands</book></catalog>");
        window.frame->TreePane()->setFocus();
        browser->setFocus();
        QVERIFY(waitForLoad(finished, 2));
        QVERIFY(shownText(browser).contains(QStringLiteral("Copy as it stands")));

        // A source commit gives the document new content without marking the pages.
        window.sheet()->SetActivePage(2);
        CSourceEdit *editor = qobject_cast<CEditPage *>(window.sheet()->GetPage(2))->Editor();
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("<catalog><book>Persuasion</book></catalog>"));
        window.clickBrowseTab();
        QVERIFY(waitForLoad(finished, 3));
        const QString shown = shownText(browser);
        QVERIFY2(shown.contains(QStringLiteral("Persuasion")), qPrintable(shown));
    }

    void noPreviewDuringADrag()
    {
        Window window;
        QVERIFY(window.open(m_dir.write(QStringLiteral("drag.xml"), "<a><b/></a>")));
        window.sheet()->SetActivePage(BrowsePage);
        CWebBrowser2 *browser = window.page()->Browser();
        QVERIFY(browser);
        QSignalSpy started(browser, &QWebEngineView::loadStarted);
        QSignalSpy finished(browser, &QWebEngineView::loadFinished);
        QVERIFY(waitForLoad(finished));
        const QByteArray before = TestFiles::readAll(window.page()->PreviewPath());
        const int loads = int(started.count());

        CWorkSpaceDoc::SetDragging(true);
        const XmlNode b = window.document.GetDOMDocument()->documentElement().firstChild();
        QVERIFY(window.document.RenameNode(b, QStringLiteral("moved")));
        QTest::qWait(300);
        QCOMPARE(int(started.count()), loads);
        QCOMPARE(TestFiles::readAll(window.page()->PreviewPath()), before);

        // The drop is an edit of its own, made after the drag: that one is shown.
        CWorkSpaceDoc::SetDragging(false);
        window.document.SetModifiedFlag(true);
        window.document.UpdateAllViews();
        QVERIFY(waitForLoad(finished, 2));
        QVERIFY(shownText(browser).contains(QStringLiteral("moved")));
    }

    void copyGoesWithTheWindowAndTouchesNoBackupNorCurrentFolder()
    {
        TestFiles::TempFolder folder;
        const QString path = folder.write(QStringLiteral("file.xml"), "<a>text</a>");
        const QByteArray backup = "<a>the user's own backup</a>";
        folder.write(QStringLiteral("file.xml~"), backup);
        const QString currentBefore = QDir::currentPath();
        QString copy;
        {
            Window window;
            QVERIFY(window.open(path));
            window.sheet()->SetActivePage(BrowsePage);
            QSignalSpy finished(window.page()->Browser(), &QWebEngineView::loadFinished);
            QVERIFY(waitForLoad(finished));
            copy = window.page()->PreviewPath();
            QVERIFY(QFile::exists(copy));
            QCOMPARE(previewCopies(folder.path()).size(), 1);
            QCOMPARE(QDir::currentPath(), currentBefore);
        }
        QVERIFY(!QFile::exists(copy));
        QVERIFY(previewCopies(folder.path()).isEmpty());
        QCOMPARE(TestFiles::readAll(folder.filePath(QStringLiteral("file.xml~"))), backup);
        QCOMPARE(QDir::currentPath(), currentBefore);
    }

    void stylesheetFromAnUnwritableFolderStillFound()
    {
        // No one, not even the superuser, can make a file in /proc: the copy goes to a private
        // folder and names the stylesheet by its full location.
        XmlDocument dom;
        QVERIFY(dom.loadXML(QString::fromUtf8(Catalog)));
        CPreviewFile file;
        file.Write(dom, QStringLiteral("/proc/no-such-folder/catalog.xml"));
        QVERIFY(file.Path().startsWith(QDir::tempPath() + QStringLiteral("/TWR")));
        QVERIFY(TestFiles::readAll(file.Path()).contains("href=\"file:///proc/no-such-folder/style.xsl\""));
        const QString written = file.Path();
        file.Remove();
        QVERIFY(!QFileInfo::exists(QFileInfo(written).absolutePath()));

        // A document never saved has no folder at all: a private one, never the current one.
        file.Write(dom, QString());
        QVERIFY(file.Path().startsWith(QDir::tempPath() + QStringLiteral("/TWR")));
        QVERIFY(TestFiles::readAll(file.Path()).contains("href=\"style.xsl\""));
    }

    void absoluteStylesheets_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("single quotes, up a level") << QByteArray("<?xml-stylesheet href='../x/s.xsl'?><a/>")
                                                   << QByteArray("<?xml-stylesheet href='file:///x/s.xsl'?><a/>");
        QTest::newRow("after declaration, comment and doctype")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- href=\"c\" --><!DOCTYPE a [<!ENTITY e \"]>\">]>\n"
                          "<?xml-stylesheet href=\"s.xsl\"?><a/>")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- href=\"c\" --><!DOCTYPE a [<!ENTITY e \"]>\">]>\n"
                          "<?xml-stylesheet href=\"file:///base/s.xsl\"?><a/>");
        QTest::newRow("instruction inside the root untouched") << QByteArray("<a><?xml-stylesheet href=\"s.xsl\"?></a>")
                                                               << QByteArray("<a><?xml-stylesheet href=\"s.xsl\"?></a>");
        const QByteArray utf16("\xFF\xFE<\0?\0", 6);
        QTest::newRow("UTF-16 untouched") << utf16 << utf16;
    }

    void absoluteStylesheets()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(CPreviewFile::WithAbsoluteStylesheets(input, QStringLiteral("/base")), expected);
    }

    void failureToldOnceUntilTheDocumentChanges()
    {
        MessageRecorder messages;
        Window window;
        QVERIFY(window.open(m_dir.write(QStringLiteral("fails.xml"), "<a/>")));
        window.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.frame.get()));
        // A document without a root element cannot be written.
        XmlDocument *dom = window.document.GetDOMDocument();
        dom->documentNode().removeChild(dom->documentElement());

        window.clickBrowseTab();
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("error loading doc")));
        // The box gives the focus back to the browser, which previews again: told once only.
        window.frame->TreePane()->setFocus();
        window.page()->Browser()->setFocus();
        QTRY_COMPARE(window.frame->EditMenuResource(), 219);
        QCOMPARE(messages.count(), 1);

        window.document.SetModifiedFlag(true);
        window.document.UpdateAllViews();
        QCOMPARE(messages.count(), 2);
    }

    void stylesheetScriptReadsNoLocalFile()
    {
        TestFiles::TempFolder folder;
        folder.write(QStringLiteral("secret.txt"), "TOPSECRET");
        folder.write(QStringLiteral("steal.xsl"),
                     "<?xml version=\"1.0\"?>\n"
                     "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
                     "<xsl:template match=\"/\"><html><body><p>page</p><script>\n"
                     "var r = new XMLHttpRequest(); r.open('GET', 'secret.txt', false);\n"
                     "try { r.send(); document.body.appendChild(document.createTextNode('read:' + r.responseText)); }\n"
                     "catch (e) { document.body.appendChild(document.createTextNode('refused')); }\n"
                     "</script></body></html></xsl:template></xsl:stylesheet>\n");
        const QString path = folder.write(QStringLiteral("steal.xml"),
                                          "<?xml-stylesheet type=\"text/xsl\" href=\"steal.xsl\"?><a/>");

        // The same file in a browser with the engine's defaults: the script does read the file.
        QWebEngineView open;
        QSignalSpy openLoaded(&open, &QWebEngineView::loadFinished);
        open.load(QUrl::fromLocalFile(path));
        QVERIFY(waitForLoad(openLoaded));
        QTRY_VERIFY(shownText(&open).contains(QStringLiteral("TOPSECRET")));

        Window window;
        QVERIFY(window.open(path));
        window.sheet()->SetActivePage(BrowsePage);
        QSignalSpy finished(window.page()->Browser(), &QWebEngineView::loadFinished);
        QVERIFY(waitForLoad(finished));
        QTest::qWait(300);
        const QString shown = shownText(window.page()->Browser());
        QVERIFY(shown.contains(QStringLiteral("page")));
        QVERIFY2(!shown.contains(QStringLiteral("TOPSECRET")), qPrintable(shown));
    }

    void previewNeverReachesTheNetwork()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QByteArray remote = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
        TestFiles::TempFolder folder;
        folder.write(QStringLiteral("remote.xsl"),
                     "<?xml version=\"1.0\"?>\n"
                     "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
                     "<xsl:template match=\"/\"><html><head><link rel=\"stylesheet\" href=\"" + remote + "/look.css\"/></head>"
                     "<body><p>local</p><img src=\"" + remote + "/picture.png\"/>"
                     "<iframe src=\"" + remote + "/frame.html\"></iframe></body></html></xsl:template></xsl:stylesheet>\n");
        Window local;
        QVERIFY(local.open(folder.write(QStringLiteral("local.xml"),
                                        "<?xml-stylesheet type=\"text/xsl\" href=\"remote.xsl\"?><a/>")));
        local.sheet()->SetActivePage(BrowsePage);
        QSignalSpy localLoaded(local.page()->Browser(), &QWebEngineView::loadFinished);
        // A browser that did reach out would wait for the server's answer: a connection counts
        // as soon as it is made.
        QVERIFY(QTest::qWaitFor([&] { return localLoaded.count() || server.hasPendingConnections(); }, 20000));
        QVERIFY(shownText(local.page()->Browser()).contains(QStringLiteral("local")));
        QTest::qWait(300);
        QVERIFY(!server.hasPendingConnections());
    }
};

QTEST_MAIN(TestBrowserPage)
#include "tst_browserpage.moc"
