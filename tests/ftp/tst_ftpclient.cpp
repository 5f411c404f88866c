#include "ftp/ftpclient.h"
#include "ftp/ftplisting.h"
#include "ftptestserver.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestFtpClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void splitServer_data();
    void splitServer();
    void loginFailureCarriesTheLibraryText();
    void browseWithAbsolutePaths();
    void listingFromBothServerKinds_data();
    void listingFromBothServerKinds();
    void manageFiles();
    void binaryRoundTripKeepsUtf16();
    void refusedUploadLeavesTheTargetWhole();
    void lineBreaksInNamesNeverReachTheServer();
    void unixAndDosLines_data();
    void unixAndDosLines();
    void machineListing();

private:
    bool login(CFtpClient &client, const QString &user = QStringLiteral("tester"),
               const QString &password = QStringLiteral("secret"));
    FtpTestServer m_server;
};

void TestFtpClient::initTestCase()
{
    QVERIFY(m_server.Start());
    QVERIFY(m_server.Write("empty.xml", QByteArray()));
    QVERIFY(m_server.Write("small.xml", QByteArray(999, 'a')));
    QVERIFY(m_server.Write("kilo.xml", QByteArray(1000, 'b')));
    QVERIFY(m_server.Write("pub/inner/deep.xml", "<deep/>"));
}

bool TestFtpClient::login(CFtpClient &client, const QString &user, const QString &password)
{
    return client.Connect(QStringLiteral("127.0.0.1"), m_server.Port(), user, password);
}

void TestFtpClient::splitServer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("plain") << "ftp.example.org" << true << "ftp.example.org" << 21;
    QTest::newRow("port") << "localhost:2121" << true << "localhost" << 2121;
    QTest::newRow("v6") << "[::1]:2100" << true << "::1" << 2100;
    QTest::newRow("v6 bare") << "::1" << true << "::1" << 21;
    QTest::newRow("bad port") << "host:99999" << false << "host" << 21;
    QTest::newRow("word port") << "host:ftp" << false << "host" << 21;
}

void TestFtpClient::splitServer()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString gotHost;
    quint16 gotPort = 0;
    QCOMPARE(CFtpClient::SplitServer(text, &gotHost, &gotPort), valid);
    QCOMPARE(gotHost, host);
    if (valid)
        QCOMPARE(int(gotPort), port);
}

void TestFtpClient::loginFailureCarriesTheLibraryText()
{
    CFtpClient client;
    QVERIFY(!login(client, QStringLiteral("tester"), QStringLiteral("wrong")));
    QVERIFY(!client.IsConnected());
    QVERIFY2(client.LastError().contains(QLatin1String("530")), qPrintable(client.LastError()));
    // The password never shows up in what is reported.
    QVERIFY(!client.LastError().contains(QLatin1String("wrong")));

    CFtpClient nobody;
    QVERIFY(!nobody.Connect(QStringLiteral("127.0.0.1"), 1, QStringLiteral("a"), QStringLiteral("b")));
    QVERIFY(!nobody.LastError().isEmpty());
}

void TestFtpClient::browseWithAbsolutePaths()
{
    CFtpClient client;
    QVERIFY2(login(client), qPrintable(client.LastError()));
    QCOMPARE(client.HomeDirectory(), QStringLiteral("/"));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/"));
    QVERIFY(client.SetCurrentDirectory(QStringLiteral("pub")));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/pub"));
    QVERIFY(client.SetCurrentDirectory(QStringLiteral("/pub/inner")));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/pub/inner"));
    QVERIFY(client.SetCurrentDirectory(QStringLiteral("..")));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/pub"));
    // A directory that is not there leaves the working directory as it was.
    QVERIFY(!client.SetCurrentDirectory(QStringLiteral("/nowhere")));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/pub"));
    QVERIFY(!client.SetCurrentDirectory(QStringLiteral("Inner"))); // names are case-sensitive
    // Listing another directory by its absolute path does not move the working directory.
    QList<CFtpEntry> entries;
    QVERIFY(client.List(QStringLiteral("/pub/inner"), &entries));
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().FullPath(), QStringLiteral("/pub/inner/deep.xml"));
    QCOMPARE(client.GetCurrentDirectory(), QStringLiteral("/pub"));
}

void TestFtpClient::listingFromBothServerKinds_data()
{
    QTest::addColumn<bool>("listOnly");
    QTest::newRow("MLSD") << false;
    QTest::newRow("LIST") << true;
}

void TestFtpClient::listingFromBothServerKinds()
{
    QFETCH(bool, listOnly);
    FtpTestServer server;
    QVERIFY(server.Start(listOnly));
    QVERIFY(server.Write("zero.xml", QByteArray()));
    QVERIFY(server.Write("My File.xml", QByteArray(1000, 'x')));
    QVERIFY(server.MakeDir("sub dir"));
    QVERIFY(QFile::link(server.Local("zero.xml"), server.Local("link.xml")));
    CFtpClient client;
    QVERIFY(client.Connect(QStringLiteral("127.0.0.1"), server.Port(), QStringLiteral("tester"), QStringLiteral("secret")));
    QList<CFtpEntry> entries;
    QVERIFY2(client.List(QString(), &entries), qPrintable(client.LastError()));
    QMap<QString, CFtpEntry> byName;
    for (const CFtpEntry &entry : entries)
        byName.insert(entry.name, entry);
    QVERIFY2(byName.contains("My File.xml") && byName.contains("sub dir") && byName.contains("zero.xml"),
             qPrintable(QStringList(byName.keys()).join('|')));
    QCOMPARE(byName["My File.xml"].size, 1000);
    QCOMPARE(byName["zero.xml"].size, 0);
    QVERIFY(byName["sub dir"].isDirectory);
    QVERIFY(!byName["zero.xml"].isDirectory);
    QVERIFY(byName["zero.xml"].modified.isValid());
    QCOMPARE(byName["sub dir"].directory, QStringLiteral("/"));
}

void TestFtpClient::manageFiles()
{
    CFtpClient client;
    QVERIFY(login(client));
    QVERIFY(client.CreateDirectory(QStringLiteral("made")));
    QVERIFY(QFileInfo(m_server.Local("made")).isDir());
    QVERIFY(!client.CreateDirectory(QStringLiteral("made")));
    QVERIFY(!client.LastError().isEmpty());
    QVERIFY(client.Rename(QStringLiteral("/made"), QStringLiteral("/renamed")));
    QVERIFY(QFileInfo(m_server.Local("renamed")).isDir());
    QVERIFY(client.RemoveDirectory(QStringLiteral("renamed")));
    QVERIFY(!QFileInfo::exists(m_server.Local("renamed")));
    QVERIFY(m_server.Write("gone.xml", "<x/>"));
    QVERIFY(client.Remove(QStringLiteral("/gone.xml")));
    QVERIFY(!QFileInfo::exists(m_server.Local("gone.xml")));
    QVERIFY(!client.Remove(QStringLiteral("gone.xml")));
    QVERIFY2(client.LastError().contains(QLatin1String("550")), qPrintable(client.LastError()));
}

void TestFtpClient::binaryRoundTripKeepsUtf16()
{
    // UTF-16 with a byte-order mark and CR LF line ends: any text-mode conversion would show.
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a>\u00e9\u4e2d</a>\r\n");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QVERIFY(m_server.Write("utf16.xml", utf16));
    CFtpClient client;
    QVERIFY(login(client));
    QBuffer fetched;
    fetched.open(QIODevice::WriteOnly);
    QVERIFY(client.GetFile(QStringLiteral("/utf16.xml"), &fetched));
    QCOMPARE(fetched.data(), utf16);

    QTemporaryDir local;
    QFile out(local.filePath("up.xml"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(utf16 + utf16);
    out.close();
    QVERIFY2(client.PutFile(out.fileName(), QStringLiteral("/pub/up.xml")), qPrintable(client.LastError()));
    QCOMPARE(m_server.Read("pub/up.xml"), utf16 + utf16);
    // Nothing is left under the temporary name.
    QCOMPARE(QDir(m_server.Local("pub")).entryList(QDir::Files | QDir::Hidden), QStringList({"up.xml"}));
}

void TestFtpClient::refusedUploadLeavesTheTargetWhole()
{
    QVERIFY(m_server.Write("kept.xml", "<kept/>"));
    QTemporaryDir local;
    QFile out(local.filePath("kept.xml"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("<changed/>");
    out.close();
    CFtpClient reader;
    QVERIFY(login(reader, QStringLiteral("reader"), QStringLiteral("readonly")));
    QVERIFY(!reader.PutFile(out.fileName(), QStringLiteral("/kept.xml")));
    QVERIFY(reader.LastError().contains(QLatin1String("550")));
    QCOMPARE(m_server.Read("kept.xml"), QByteArray("<kept/>"));
    QVERIFY(!reader.Remove(QStringLiteral("/kept.xml")));
    QVERIFY(QFileInfo::exists(m_server.Local("kept.xml")));
}

void TestFtpClient::lineBreaksInNamesNeverReachTheServer()
{
    CFtpClient client;
    QVERIFY(login(client));
    QVERIFY(m_server.Write("victim.xml", "<v/>"));
    QVERIFY(!client.CreateDirectory(QStringLiteral("x\r\nDELE /victim.xml")));
    QVERIFY(!client.Rename(QStringLiteral("/small.xml"), QStringLiteral("y\nDELE /victim.xml")));
    QVERIFY(QFileInfo::exists(m_server.Local("victim.xml")));
    QVERIFY(QFileInfo::exists(m_server.Local("small.xml")));
}

void TestFtpClient::unixAndDosLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QDateTime>("modified");
    const QDateTime now(QDate(2024, 3, 10), QTime(12, 0));
    QTest::newRow("unix file, this year") << "-rw-r--r--   1 owner group     1234 Mar  5 15:07 data.xml" << true
                                          << "data.xml" << false << qint64(1234) << QDateTime(QDate(2024, 3, 5), QTime(15, 7));
    QTest::newRow("unix, last year") << "-rw-r--r-- 1 o g 5 Dec 24 08:00 old.xml" << true << "old.xml" << false
                                     << qint64(5) << QDateTime(QDate(2023, 12, 24), QTime(8, 0));
    QTest::newRow("unix dir, year, blanks") << "drwxr-xr-x 2 o g 4096 Jan  1  2002 my  folder " << true
                                            << "my  folder " << true << qint64(0) << QDateTime(QDate(2002, 1, 1), QTime(0, 0));
    QTest::newRow("unix no group") << "-rw-r--r-- 1 owner 77 Feb  2 2002 g.xml" << true << "g.xml" << false
                                   << qint64(77) << QDateTime(QDate(2002, 2, 2), QTime(0, 0));
    QTest::newRow("unix link") << "lrwxrwxrwx 1 o g 9 Mar  1 10:00 link.xml -> /etc/passwd" << true << "link.xml"
                               << false << qint64(9) << QDateTime(QDate(2024, 3, 1), QTime(10, 0));
    QTest::newRow("hostile name") << "-rw-r--r-- 1 o g 3 Mar  1 10:00 ../x.xml" << true << "../x.xml" << false
                                  << qint64(3) << QDateTime(QDate(2024, 3, 1), QTime(10, 0));
    QTest::newRow("dot") << "drwxr-xr-x 2 o g 4096 Mar  1 10:00 ." << false << "" << false << qint64(-1) << QDateTime();
    QTest::newRow("total") << "total 12" << false << "" << false << qint64(-1) << QDateTime();
    QTest::newRow("dos file") << "03-05-02  03:07PM                 1234 data file.xml" << true << "data file.xml"
                              << false << qint64(1234) << QDateTime(QDate(2002, 3, 5), QTime(15, 7));
    QTest::newRow("dos dir") << "12-31-1999  12:00AM       <DIR>          Stuff" << true << "Stuff" << true
                             << qint64(0) << QDateTime(QDate(1999, 12, 31), QTime(0, 0));
}

void TestFtpClient::unixAndDosLines()
{
    QFETCH(QString, line);
    QFETCH(bool, parsed);
    const QDateTime now(QDate(2024, 3, 10), QTime(12, 0));
    const QList<CFtpEntry> entries = CFtpListing::ParseList(line.toUtf8(), QStringLiteral("/d"), now);
    QCOMPARE(entries.size(), parsed ? 1 : 0);
    if (!parsed)
        return;
    QFETCH(QString, name);
    QCOMPARE(entries[0].name, name);
    QTEST(entries[0].isDirectory, "directory");
    QTEST(entries[0].size, "size");
    QTEST(entries[0].modified, "modified");
}

void TestFtpClient::machineListing()
{
    const QByteArray data = "type=cdir;perm=el; .\r\n"
                            "type=pdir;perm=el; ..\r\n"
                            "type=file;size=999;modify=20020305150709;perm=r; a; b.xml\r\n"
                            "type=dir;modify=20020305150709;perm=elcmp; dir with space\r\n"
                            "type=OS.unix=slink:/etc;size=4; link\r\n"
                            "garbage\r\n";
    const QList<CFtpEntry> entries = CFtpListing::ParseMlsd(data, QStringLiteral("/pub"));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].name, QStringLiteral("a; b.xml"));
    QCOMPARE(entries[0].size, 999);
    QVERIFY(entries[0].readOnly);
    QCOMPARE(entries[0].modified, QDateTime(QDate(2002, 3, 5), QTime(15, 7, 9), Qt::UTC));
    QCOMPARE(entries[0].FullPath(), QStringLiteral("/pub/a; b.xml"));
    QVERIFY(entries[1].isDirectory);
    QVERIFY(!entries[1].readOnly);
    QVERIFY(entries[2].isLink);
}

QTEST_MAIN(TestFtpClient)
#include "tst_ftpclient.moc"
