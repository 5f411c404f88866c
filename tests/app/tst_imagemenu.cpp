// Image menus: pictures from the toolbar strips by command id, and how their items are drawn,
// read from the pixels of the rendered menu.
#include "app/imagemenu.h"
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "framework/commandmanager.h"
#include "resources/commandicon.h"
#include "resources/commandids.h"

#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

const int PictureWidth = CImageMenu::PictureWidth;
const int PictureHeight = CImageMenu::PictureHeight;

QRgb colour(const QWidget *widget, QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active)
{
    return widget->palette().color(group, role).rgb();
}

// The colours found in `area` of `image`, with how often each occurs.
QHash<QRgb, int> coloursIn(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++found[image.pixel(x, y) | 0xff000000];
    }
    return found;
}

// The leftmost column of `area` holding a pixel of `rgb`, -1 when none does.
int firstColumnOf(const QImage &image, const QRect &area, QRgb rgb)
{
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if ((image.pixel(x, y) | 0xff000000) == rgb)
                return x;
        }
    }
    return -1;
}

QImage render(QMenu *menu, qreal ratio = 1.0)
{
    menu->adjustSize();
    QImage image(menu->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    menu->render(&image);
    return image;
}

// The picture box of `row`: the picture sits one pixel inside it.
QRect pictureBox(const QRect &row)
{
    const int offset = qMax(0, (row.height() - PictureHeight - 4) / 2);
    return QRect(row.left() + 1, row.top() + offset + 1, PictureWidth + 2, PictureHeight + 2);
}

} // namespace

class TestImageMenu : public QObject
{
    Q_OBJECT

private:
    CCommandManager *m_commands = nullptr;
    CImageMenu *m_menu = nullptr;

    QAction *add(int id, const QString &text, bool enabled = true)
    {
        QAction *action = m_commands->CreateItemAction(id, text, m_menu);
        action->setEnabled(enabled);
        m_menu->addAction(action);
        return action;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        m_commands = new CCommandManager;
        m_menu = new CImageMenu;
        m_menu->LoadToolbars({128, 173});
    }
    void cleanup()
    {
        delete m_menu;
        delete m_commands;
    }

    void picturesComeFromTheLoadedStrips()
    {
        QCOMPARE(m_menu->PictureSource(ID_EDIT_CUT), 128);
        QCOMPARE(m_menu->PictureSource(ID_EDIT_DELETE), 173);
        QCOMPARE(m_menu->PictureSource(ID_EDIT_FIND), 128); // on both: the first strip wins
        QCOMPARE(m_menu->PictureSource(ID_FILE_SAVE_AS), -1);
        QCOMPARE(m_menu->PictureSource(ID_FTP_NEW_DIRECTORY), -1); // its strip is not loaded
        QVERIFY(m_menu->Picture(add(ID_FILE_SAVE_AS, QStringLiteral("Save &As..."))).isNull());
        QVERIFY(!m_menu->LoadToolbars({173, 128, 999}));
        QCOMPARE(m_menu->PictureSource(ID_EDIT_FIND), 173);
        auto *submenu = qobject_cast<CImageMenu *>(CImageMenu::Create(QStringLiteral("New"), m_menu));
        QCOMPARE(submenu->Toolbars(), (QList<int>{173, 128}));
    }

    // Text starts in the same column whether or not an item has a picture.
    void itemWithoutPictureIsIndentedByPictureWidth()
    {
        const QRect pictured = m_menu->actionGeometry(add(ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X")));
        const QRect bare = m_menu->actionGeometry(add(ID_FILE_SAVE_AS, QStringLiteral("Save &As...")));
        const QImage image = render(m_menu);
        const QRgb text = colour(m_menu, QPalette::WindowText);
        QCOMPARE(coloursIn(image, pictureBox(bare)).keys(), QList<QRgb>{colour(m_menu, QPalette::Window)});
        QVERIFY(coloursIn(image, pictureBox(pictured)).size() > 2);
        const int bareText = firstColumnOf(image, bare, text);
        const int picturedText = firstColumnOf(image, pictured, text);
        QVERIFY(bareText >= bare.left() + PictureWidth + 9);
        QVERIFY(qAbs(bareText - picturedText) <= 3);
    }

    // A disabled item: its picture in the light and shadow colours only, its text embossed; under
    // the mouse its text is in the background colour on the highlight.
    void disabledItemIsEmbossed()
    {
        QAction *disabled = add(ID_EDIT_DELETE, QStringLiteral("Delete\tDel"), false);
        const QRect row = m_menu->actionGeometry(disabled);
        const QRgb light = colour(m_menu, QPalette::Light);
        const QRgb shadow = colour(m_menu, QPalette::Dark);
        const QRgb grey = colour(m_menu, QPalette::WindowText, QPalette::Disabled);
        QImage image = render(m_menu);
        const QHash<QRgb, int> inBox = coloursIn(image, pictureBox(row));
        QVERIFY(inBox.value(light) > 0 && inBox.value(shadow) > 0);
        for (QRgb found : inBox.keys())
            QVERIFY(found == light || found == shadow || found == colour(m_menu, QPalette::Button));
        const QRect textArea = row.adjusted(PictureWidth + 9, 0, 0, 0);
        const int greyColumn = firstColumnOf(image, textArea, grey);
        QVERIFY(greyColumn > 0);
        QCOMPARE(firstColumnOf(image, textArea, light), greyColumn + 1);

        m_menu->setActiveAction(disabled);
        image = render(m_menu);
        const QHash<QRgb, int> inText = coloursIn(image, textArea);
        QVERIFY(inText.value(colour(m_menu, QPalette::Highlight)) > 0);
        QVERIFY(inText.value(colour(m_menu, QPalette::Window)) > 0);
        QCOMPARE(inText.value(grey), 0);
    }

    // At twice the pixel density the picture is drawn at that density, not enlarged.
    void picturesStayCrispAtDoubleDensity()
    {
        const QRect row = m_menu->actionGeometry(add(ID_EDIT_CUT, QStringLiteral("Cu&t")));
        QImage drawn = render(m_menu, 2.0).copy(QRect(pictureBox(row).topLeft() * 2 + QPoint(2, 2), QSize(PictureWidth, PictureHeight) * 2));
        QImage expected(drawn.size(), QImage::Format_ARGB32_Premultiplied);
        expected.fill(m_menu->palette().color(QPalette::Window));
        expected.setDevicePixelRatio(2.0);
        QPainter(&expected).drawPixmap(0, 0, CommandIcon(ID_EDIT_CUT).pixmap(QSize(PictureWidth, PictureHeight), 2.0));
        drawn.setDevicePixelRatio(1.0);
        expected.setDevicePixelRatio(1.0);
        QCOMPARE(drawn.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    }

    // Every popup of the program is an image menu, and the underlined letter chooses its item.
    void programPopupsAreImageMenus()
    {
        cleanup();
        m_menu = nullptr;
        m_commands = nullptr;
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        QMenu *view = nullptr;
        for (QMenu *menu : frame->BuildDocumentMenu() + frame->BuildDefaultMenu()) {
            QCOMPARE(qobject_cast<CImageMenu *>(menu)->Toolbars(), (QList<int>{128, 173}));
            for (QAction *action : menu->actions())
                QVERIFY(!action->menu() || qobject_cast<CImageMenu *>(action->menu()));
            if (menu->title() == QStringLiteral("&View"))
                view = menu;
        }
        auto *button = qobject_cast<QToolButton *>(frame->MainToolBar()->widgetForAction(frame->Commands()->Action(ID_VIEW_NODE_TOOL)));
        QVERIFY(qobject_cast<CImageMenu *>(button->menu()));
        QString contextMenu;
        QTimer::singleShot(0, this, [&] {
            QWidget *popup = QApplication::activePopupWidget();
            contextMenu = QString::fromLatin1(popup->metaObject()->className());
            popup->close();
        });
        frame->Commands()->ShowPopup(175, frame->mapToGlobal(QPoint(50, 50)), frame);
        QCOMPARE(contextMenu, QStringLiteral("CImageMenu"));

        frame->Commands()->UpdateAll();
        QVERIFY(frame->statusBar()->isVisible());
        view->popup(frame->mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::keyClick(view, Qt::Key_S);
        QTRY_VERIFY(!frame->statusBar()->isVisible());
    }
};

QTEST_MAIN(TestImageMenu)
#include "tst_imagemenu.moc"
