// Command pictures follow the desktop's icon theme where it has the command's freedesktop name,
// and are the program's own drawings where it has not.
#include "resources/commandicon.h"
#include "resources/commandids.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestThemeIcons : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_themes;

    void writeIcon(const QString &folder, const QString &name, int size, QColor colour)
    {
        QDir(m_themes.path()).mkpath(QStringLiteral("Test/") + folder);
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(colour);
        QVERIFY(image.save(m_themes.filePath(QStringLiteral("Test/%1/%2.png").arg(folder, name))));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A theme with two sizes of "document-save" and nothing else, made current before the
        // first picture is asked for.
        QFile index(m_themes.filePath(QStringLiteral("Test/index.theme")));
        QDir(m_themes.path()).mkpath(QStringLiteral("Test"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Test\nDirectories=16x16/actions,32x32/actions\n\n"
                    "[16x16/actions]\nSize=16\nType=Fixed\n\n[32x32/actions]\nSize=32\nType=Fixed\n");
        index.close();
        writeIcon(QStringLiteral("16x16/actions"), QStringLiteral("document-save"), 16, Qt::red);
        writeIcon(QStringLiteral("32x32/actions"), QStringLiteral("document-save"), 32, Qt::blue);
        QIcon::setThemeSearchPaths({m_themes.path()});
        QIcon::setThemeName(QStringLiteral("Test"));
    }

    void themeHasTheName()
    {
        const QIcon save = CommandIcon(ID_FILE_SAVE);
        QCOMPARE(save.name(), QStringLiteral("document-save"));
        QCOMPARE(save.pixmap(QSize(16, 16), 1.0).toImage().pixelColor(8, 8), QColor(Qt::red));
        // At twice the scale the theme's larger drawing is used, not the small one enlarged.
        const QImage large = save.pixmap(QSize(16, 16), 2.0).toImage();
        QCOMPARE(large.size(), QSize(32, 32));
        QCOMPARE(large.pixelColor(16, 16), QColor(Qt::blue));
    }

    void themeLacksTheNameOrNoneExists()
    {
        // Known to the naming scheme but missing from this theme, and unknown to it: our own.
        for (int id : {ID_EDIT_CUT, ID_NEW_CDATA}) {
            const QIcon icon = CommandIcon(id);
            QVERIFY(!icon.isNull());
            QVERIFY(icon.name().isEmpty());
            // Drawn at the device's pixels (our drawings are 16 by 15), not enlarged from 16.
            const QImage image = icon.pixmap(QSize(16, 16), 2.0).toImage();
            QCOMPARE(image.width(), 32);
            QVERIFY(image.pixelColor(16, 16) != QColor(Qt::red));
        }
        QVERIFY(!AppIcon().isNull());
        QVERIFY(CommandIcon(ID_FILE_SAVE_AS).isNull());
    }
};

QTEST_MAIN(TestThemeIcons)
#include "tst_themeicons.moc"
