// The FTP open dialog against a real server: browsing, typed paths, Look-in, file management,
// properties, fetching into a private local copy, and names that try to be more than names.
#include "ftp/ftpfilelist.h"
#include "ftp/ftpfilepropertypage.h"
#include "ftp/ftplocalcopy.h"
#include "ftp/ftpopendlg.h"
#include "ftp/toolbarhost.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"
#include "ftptestserver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QListView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

namespace {

// Runs `inspect` on the modal dialog that `action` opens, then closes that dialog. The dialog
// comes after the remote calls that fill it, so the check repeats until it is there.
QString underModal(const std::function<void()> &action, const std::function<void(QWidget *)> &inspect = {})
{
    QString title;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("propertySheet"))
            return;
        poll.stop();
        title = modal->windowTitle();
        if (inspect)
            inspect(modal);
        modal->close();
    });
    poll.start();
    action();
    return title;
}

QString labelText(QWidget *sheet, const char *name)
{
    auto *label = sheet->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<none>");
}

} // namespace

class TestFtpOpenDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loginFailureShowsTheLibraryText();
    void browsingAndLookIn();
    void sizesAndNamesAsTheServerGivesThem();
    void typedNamesAndPaths();
    void deleteRenameAndNewDirectory();
    void properties();
    void timeFormat_data();
    void timeFormat();
    void openFetchesIntoAPrivateFolder();
    void localCopyNames_data();
    void localCopyNames();
    void largeListing();
    void viewModesAndContextMenus();

private:
    void open(CFtpOpenDlg &dialog, const QString &user = QStringLiteral("tester"), const QString &password = QStringLiteral("secret"));
    FtpTestServer m_server;
};

void TestFtpOpenDlg::initTestCase()
{
    QVERIFY(m_server.Start());
    QVERIFY(m_server.Write("empty.xml", QByteArray()));
    QVERIFY(m_server.Write("small.xml", QByteArray(999, 'a')));
    QVERIFY(m_server.Write("kilo.xml", QByteArray(1000, 'b')));
    QVERIFY(m_server.Write("data.xml", "<data/>"));
    QVERIFY(m_server.Write("<i>bold<i> %1 %s &amp;.xml", "<x/>"));
    QVERIFY(m_server.Write("pub/inner/deep.xml", "<deep/>"));
    QVERIFY(m_server.Write("pub/readme.xml", "<r/>"));
}

void TestFtpOpenDlg::open(CFtpOpenDlg &dialog, const QString &user, const QString &password)
{
    dialog.SetLogin(m_server.Server(), user, password);
    QVERIFY(dialog.OnInitDialog());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

void TestFtpOpenDlg::loginFailureShowsTheLibraryText()
{
    MessageRecorder messages;
    CFtpOpenDlg dialog;
    dialog.SetLogin(m_server.Server(), QStringLiteral("tester"), QStringLiteral("wrong"));
    QVERIFY(!dialog.OnInitDialog());
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.lastText().startsWith(QLatin1String("Unable to connect to server. ")));
    QVERIFY2(messages.lastText().contains(QLatin1String("530")), qPrintable(messages.lastText()));
    QCOMPARE(messages.boxes().first().style, MB::IconStop);
    QCOMPARE(dialog.List()->RowCount(), 0);
}

void TestFtpOpenDlg::browsingAndLookIn()
{
    MessageRecorder messages;
    CFtpOpenDlg dialog;
    open(dialog);
    QComboBox *lookIn = dialog.LookIn();
    QCOMPARE(lookIn->count(), 2);
    QCOMPARE(lookIn->itemText(0), QStringLiteral("/ (") + m_server.Server() + QLatin1Char(')'));
    QCOMPARE(lookIn->itemText(1).trimmed(), QStringLiteral("/"));
    // Directories first, then files.
    CFtpFileList *list = dialog.List();
    QCOMPARE(list->RowName(0), QStringLiteral("pub"));
    QCOMPARE(list->RowText(0, 1), QString());

    // A double-click on a directory shows it; it becomes Look-in entry 2.
    QTreeView *view = list->DetailsView();
    const QRect pubRect = view->visualRect(view->model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pubRect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pubRect.center());
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/pub"));
    QCOMPARE(lookIn->count(), 3);
    QCOMPARE(lookIn->currentIndex(), 2);
    QCOMPARE(lookIn->itemText(2), QStringLiteral("pub"));
    QCOMPARE(list->RowName(0), QStringLiteral("inner"));
    QCOMPARE(dialog.FileNameEdit()->text(), QString()); // a click on a directory names no file

    // Up from just below the top shows the top; Up at the top says so.
    dialog.OnCommand(ID_FTP_UP_LEVEL);
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/"));
    QCOMPARE(messages.count(), 0);
    dialog.OnCommand(ID_FTP_UP_LEVEL);
    QCOMPARE(messages.lastText(), QStringLiteral("You are at the top level and cannot go up another level. "));
    QCOMPARE(messages.boxes().last().style, MB::IconInformation);

    // Look-in entry 2 goes back where the user was.
    lookIn->setCurrentIndex(2);
    Q_EMIT lookIn->activated(2);
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/pub"));
}

void TestFtpOpenDlg::sizesAndNamesAsTheServerGivesThem()
{
    CFtpOpenDlg dialog;
    open(dialog);
    CFtpFileList *list = dialog.List();
    QCOMPARE(list->RowText(list->FindRow("empty.xml"), 1), QStringLiteral("1 KB"));
    QCOMPARE(list->RowText(list->FindRow("small.xml"), 1), QStringLiteral("1 KB"));
    QCOMPARE(list->RowText(list->FindRow("kilo.xml"), 1), QStringLiteral("2 KB"));
    QVERIFY(!list->RowText(list->FindRow("kilo.xml"), 2).isEmpty());
    // Markup and format marks in a name are shown as they are.
    QVERIFY(list->FindRow(QStringLiteral("<i>bold<i> %1 %s &amp;.xml")) >= 0);
    list->SelectRow(list->FindRow(QStringLiteral("<i>bold<i> %1 %s &amp;.xml")));
    const QString title = underModal([&] { dialog.OnCommand(ID_EDIT_PROPERTIES); }, [](QWidget *sheet) {
        QCOMPARE(labelText(sheet, "filename"), QStringLiteral("<i>bold<i> %1 %s &amp;.xml"));
        QCOMPARE(sheet->findChild<QLabel *>("filename")->textFormat(), Qt::PlainText);
    });
    QCOMPARE(title, QStringLiteral("<i>bold<i> %1 %s &amp;.xml Properties"));
}

void TestFtpOpenDlg::typedNamesAndPaths()
{
    MessageRecorder messages;
    CFtpOpenDlg dialog;
    open(dialog);
    // An empty name does nothing.
    QTest::mouseClick(dialog.findChild<QPushButton *>("open"), Qt::LeftButton);
    QCOMPARE(messages.count(), 0);
    QCOMPARE(dialog.result(), 0);

    // An absolute directory path is shown and becomes Look-in entry 2 as typed.
    QTest::keyClicks(dialog.FileNameEdit(), QStringLiteral("/pub/inner"));
    QTest::keyClick(dialog.FileNameEdit(), Qt::Key_Return);
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/pub/inner"));
    QCOMPARE(dialog.LookIn()->itemText(2), QStringLiteral("/pub/inner"));
    QCOMPARE(dialog.List()->RowName(0), QStringLiteral("deep.xml"));

    // Names are case-sensitive: Data.xml is not data.xml.
    dialog.LookIn()->setCurrentIndex(1);
    Q_EMIT dialog.LookIn()->activated(1);
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/"));
    dialog.FileNameEdit()->setText(QStringLiteral("Data.xml"));
    dialog.OnCommand(1014);
    QCOMPARE(messages.lastText(), QStringLiteral("File not found. The file '//Data.xml' cannot be found.\n"
                                                 "Make sure that the path and file name are correct."));
    QVERIFY(dialog.isVisible());

    // A typed path to a file in another directory opens that file.
    dialog.FileNameEdit()->setText(QStringLiteral("/pub/readme.xml"));
    dialog.OnCommand(1014);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.RemotePath(), QStringLiteral("/pub/readme.xml"));
    QCOMPARE(TestFiles::readAll(dialog.LocalPath()), QByteArray("<r/>"));
}

void TestFtpOpenDlg::deleteRenameAndNewDirectory()
{
    QVERIFY(m_server.Write("work/gone.xml", "<g/>"));
    QVERIFY(m_server.Write("work/old.xml", "<o/>"));
    MessageRecorder messages;
    CFtpOpenDlg dialog;
    open(dialog);
    QVERIFY(dialog.Client()->SetCurrentDirectory(QStringLiteral("/work")));
    dialog.OnCommand(ID_FTP_UP_LEVEL);
    dialog.FileNameEdit()->setText(QStringLiteral("work"));
    dialog.OnCommand(1014);
    CFtpFileList *list = dialog.List();

    // Delete removes at once, without asking.
    list->SelectRow(list->FindRow("gone.xml"));
    dialog.OnCommand(ID_FTP_DELETE);
    QCOMPARE(messages.count(), 0);
    QVERIFY(!QFileInfo::exists(m_server.Local("work/gone.xml")));
    QCOMPARE(list->FindRow("gone.xml"), -1);

    // Rename in place: the typed name renames the remote file and then the row.
    list->SelectRow(list->FindRow("old.xml"));
    dialog.OnCommand(ID_FTP_RENAME);
    auto *editor = list->DetailsView()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("new name.xml"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(list->FindRow("new name.xml") >= 0);
    QVERIFY(QFileInfo::exists(m_server.Local("work/new name.xml")));
    QVERIFY(!QFileInfo::exists(m_server.Local("work/old.xml")));
    QVERIFY(dialog.isVisible()); // Enter ended the edit, not the dialog

    // Rename with nothing selected.
    list->SelectRow(-1);
    dialog.OnCommand(ID_FTP_RENAME);
    QCOMPARE(messages.lastText(), QStringLiteral("No file selected. "));
    QCOMPARE(messages.boxes().last().style, MB::IconStop);
    messages.clear();

    // NewDirectory is made and named at once; a second one fails.
    dialog.OnCommand(ID_FTP_NEW_DIRECTORY);
    QVERIFY(QFileInfo(m_server.Local("work/NewDirectory")).isDir());
    QCOMPARE(list->SelectedRow(), list->FindRow("NewDirectory"));
    QVERIFY(list->DetailsView()->findChild<QLineEdit *>());
    QTest::keyClick(list->DetailsView()->findChild<QLineEdit *>(), Qt::Key_Escape);
    QCOMPARE(messages.count(), 0);
    dialog.OnCommand(ID_FTP_NEW_DIRECTORY);
    QCOMPARE(messages.lastText(), QStringLiteral("failed to create directory. "));
    QCOMPARE(messages.boxes().last().style, MB::Ok);

    // A refused delete shows the server's words.
    CFtpOpenDlg reader;
    open(reader, QStringLiteral("reader"), QStringLiteral("readonly"));
    reader.List()->SelectRow(reader.List()->FindRow("data.xml"));
    reader.OnCommand(ID_FTP_DELETE);
    QVERIFY(messages.lastText().startsWith(QLatin1String("A general application error has occured. ")));
    QVERIFY(QFileInfo::exists(m_server.Local("data.xml")));
}

void TestFtpOpenDlg::properties()
{
    MessageRecorder messages;
    CFtpOpenDlg dialog;
    open(dialog);
    // At the top, the working directory has no properties.
    dialog.List()->SelectRow(-1);
    dialog.OnCommand(ID_EDIT_PROPERTIES);
    QCOMPARE(messages.lastText(), QStringLiteral("Properties for file not available. "));

    // A file row.
    dialog.List()->SelectRow(dialog.List()->FindRow("small.xml"));
    QString title = underModal([&] { dialog.OnCommand(ID_FTP_PROPERTIES); }, [this](QWidget *sheet) {
        QCOMPARE(labelText(sheet, "size"), QStringLiteral("999"));
        QCOMPARE(labelText(sheet, "location"), QStringLiteral("/"));
        QCOMPARE(labelText(sheet, "server"), m_server.Server());
        QVERIFY(labelText(sheet, "modified").contains(QLatin1String("M")));
        QCOMPARE(labelText(sheet, "created"), QStringLiteral("n/a"));
    });
    QCOMPARE(title, QStringLiteral("small.xml Properties"));

    // The working directory below the top: found in its parent, size 0, and the working
    // directory is the same afterwards.
    dialog.FileNameEdit()->setText(QStringLiteral("/pub/inner"));
    dialog.OnCommand(1014);
    dialog.List()->SelectRow(-1);
    title = underModal([&] { dialog.OnCommand(ID_EDIT_PROPERTIES); }, [](QWidget *sheet) {
        QCOMPARE(labelText(sheet, "size"), QStringLiteral("0"));
        QCOMPARE(labelText(sheet, "location"), QStringLiteral("/pub"));
    });
    QCOMPARE(title, QStringLiteral("inner Properties"));
    QCOMPARE(dialog.Client()->GetCurrentDirectory(), QStringLiteral("/pub/inner"));
    QCOMPARE(dialog.List()->RowName(0), QStringLiteral("deep.xml"));
}

void TestFtpOpenDlg::timeFormat_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("afternoon") << QDateTime(QDate(2002, 3, 5), QTime(15, 7, 9)) << "Tuesday, March 5,  2002 3:7:9  PM";
    QTest::newRow("saturday in february") << QDateTime(QDate(2002, 2, 2), QTime(9, 5, 3))
                                          << "Saturday Feburary 2,  2002 9:5:3  AM";
    QTest::newRow("one pm") << QDateTime(QDate(2002, 3, 5), QTime(13, 0)) << "Tuesday, March 5,  2002 1:0:0  PM";
    QTest::newRow("noon") << QDateTime(QDate(2002, 3, 5), QTime(12, 30)) << "Tuesday, March 5,  2002 12:30:0  AM";
    QTest::newRow("midnight") << QDateTime(QDate(2024, 12, 29), QTime(0, 0)) << "Sunday, December 29,  2024 0:0:0  AM";
    QTest::newRow("missing") << QDateTime() << "n/a";
}

void TestFtpOpenDlg::timeFormat()
{
    QFETCH(QDateTime, time);
    QTEST(CFtpFilePropertyPage::FormatTime(time), "text");
    CFtpFilePropertyPage page;
    page.m_nSize = -1;
    page.m_timeLastWrite = time;
    page.OnInitDialog();
    QCOMPARE(page.findChild<QLabel *>("size")->text(), QStringLiteral("n/a"));
    page.m_nSize = 0;
    page.m_bReadOnly = true;
    page.OnInitDialog();
    QCOMPARE(page.findChild<QLabel *>("size")->text(), QStringLiteral("0"));
    auto *readOnly = page.findChild<QCheckBox *>();
    QVERIFY(readOnly && !readOnly->isEnabled());
}

void TestFtpOpenDlg::openFetchesIntoAPrivateFolder()
{
    // UTF-16 with CR LF: the local copy holds the server's bytes exactly.
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a>\u00e9</a>\r\n");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QVERIFY(m_server.Write("utf16.xml", utf16));
    // A link planted where the file would have landed in the shared temporary folder.
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("victim");
    QVERIFY(m_server.Write("planted.xml", "<p/>"));
    QFile(victim).open(QIODevice::WriteOnly);
    QFile::remove(QDir::tempPath() + "/planted.xml");
    QVERIFY(QFile::link(victim, QDir::tempPath() + "/planted.xml"));

    QStringList folders;
    for (const QString name : {"utf16.xml", "planted.xml", "utf16.xml"}) {
        CFtpOpenDlg dialog;
        open(dialog);
        // A double-click on the file row opens it.
        CFtpFileList *list = dialog.List();
        const QModelIndex index = list->DetailsView()->model()->index(list->FindRow(name), 0);
        list->DetailsView()->scrollTo(index);
        const QRect rect = list->DetailsView()->visualRect(index);
        QTest::mouseClick(list->DetailsView()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(dialog.FileNameEdit()->text(), name);
        QTest::mouseDClick(list->DetailsView()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QFileInfo local(dialog.LocalPath());
        QCOMPARE(local.fileName(), name);
        QCOMPARE(local.absoluteDir().dirName().left(8), QStringLiteral("TWR-ftp-"));
        // Only the user may enter the folder (group and others have no rights at all).
        QCOMPARE(int(QFile(local.absolutePath()).permissions() & 0x0FFF), 0x0700);
        folders.append(local.absolutePath());
        if (name == QLatin1String("utf16.xml"))
            QCOMPARE(TestFiles::readAll(local.filePath()), utf16);
    }
    QCOMPARE(TestFiles::readAll(victim), QByteArray());
    // Every download has a folder of its own: the same name never lands on an earlier copy.
    QCOMPARE(QSet<QString>(folders.begin(), folders.end()).size(), 3);
    QFile::remove(QDir::tempPath() + "/planted.xml");
    for (const QString &folder : folders)
        QDir(folder).removeRecursively();
}

void TestFtpOpenDlg::localCopyNames_data()
{
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("local");
    QTest::newRow("plain") << "data.xml" << "data.xml";
    QTest::newRow("parent") << "../x.xml" << "x.xml";
    QTest::newRow("deep") << "a/../../../etc/passwd" << "passwd";
    QTest::newRow("backslash") << "..\\..\\x.xml" << "x.xml";
    QTest::newRow("dots") << ".." << "download";
    QTest::newRow("trailing slash") << "dir/" << "download";
    QTest::newRow("control") << QString("a\nb\x01.xml") << "ab.xml";
    QTest::newRow("long") << QString(300, 'n') << QString(200, 'n');
}

void TestFtpOpenDlg::localCopyNames()
{
    QFETCH(QString, remote);
    QFETCH(QString, local);
    QCOMPARE(CFtpLocalCopy::CleanBaseName(remote), local);
    CFtpLocalCopy copy;
    QVERIFY(copy.Create(remote));
    QCOMPARE(QFileInfo(copy.Path()).fileName(), local);
    QCOMPARE(QFileInfo(copy.Path()).absoluteDir().absolutePath().section('/', 0, -2), QFileInfo(QDir::tempPath()).absoluteFilePath());
    const QString folder = QFileInfo(copy.Path()).absolutePath();
    copy.Discard();
    QVERIFY(!QFileInfo::exists(folder));
}

void TestFtpOpenDlg::largeListing()
{
    FtpTestServer server;
    QVERIFY(server.Start());
    for (int i = 0; i < 3000; ++i)
        QVERIFY(server.Write(QStringLiteral("many/file%1.xml").arg(i), QByteArray()));
    const QString longName = QString(240, QChar(0x00e9)).left(120) + QStringLiteral(".xml");
    QVERIFY(server.Write(QStringLiteral("many/") + longName, "<l/>"));
    CFtpOpenDlg dialog;
    dialog.SetLogin(server.Server(), QStringLiteral("tester"), QStringLiteral("secret"));
    QVERIFY(dialog.OnInitDialog());
    dialog.show();
    QElapsedTimer timer;
    timer.start();
    dialog.FileNameEdit()->setText(QStringLiteral("many"));
    dialog.OnCommand(1014);
    QCOMPARE(dialog.List()->RowCount(), 3001);
    QVERIFY(dialog.List()->FindRow(longName) >= 0);
    dialog.OnCommand(ID_VIEW_LARGEICON);
    QApplication::processEvents();
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

void TestFtpOpenDlg::viewModesAndContextMenus()
{
    CFtpOpenDlg dialog;
    open(dialog);
    CFtpFileList *list = dialog.List();
    QCOMPARE(list->ViewMode(), ID_VIEW_DETAILS);
    for (int id : {ID_VIEW_LIST, ID_VIEW_SMALLICON, ID_VIEW_LARGEICON}) {
        dialog.OnCommand(id);
        QCOMPARE(list->ViewMode(), id);
        QCOMPARE(list->currentWidget(), list->IconView());
    }
    dialog.OnCommand(ID_VIEW_DETAILS);
    QCOMPARE(list->currentWidget(), list->DetailsView());
    list->SelectRow(-1);
    QCOMPARE(dialog.ContextPopup(), 2);
    list->SelectRow(list->FindRow("pub"));
    QCOMPARE(dialog.ContextPopup(), 1);
    list->SelectRow(list->FindRow("data.xml"));
    QCOMPARE(dialog.ContextPopup(), 0);
    // The toolbar holds up, new directory, the view menu and properties.
    QVERIFY(dialog.ToolBarHost()->ButtonRect(ID_VIEW_NODE_TOOL).isValid());
    QVERIFY(dialog.ToolBarHost()->ButtonRect(ID_FTP_UP_LEVEL).isValid());
    // Growing the dialog stretches the list and moves Open with the corner.
    const QRect listBefore = list->geometry();
    const QRect openBefore = dialog.findChild<QPushButton *>("open")->geometry();
    dialog.resize(dialog.size() + QSize(100, 100));
    QCOMPARE(list->geometry().size(), listBefore.size() + QSize(100, 100));
    QCOMPARE(dialog.findChild<QPushButton *>("open")->geometry().topLeft(), openBefore.topLeft() + QPoint(100, 100));
}

QTEST_MAIN(TestFtpOpenDlg)
#include "tst_ftpopendlg.moc"
