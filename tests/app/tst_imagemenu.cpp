// Image menus: pictures from the toolbar strips by command id, and how their items are drawn,
// read from the pixels of the rendered menu.
#include "app/imagemenu.h"
#include "app/imagemenustyle.h"
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "framework/commandmanager.h"
#include "resources/commandicon.h"
#include "resources/commandids.h"

#include <QActionGroup>
#include <QMenuBar>
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

QColor colour(const QWidget *widget, QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active)
{
    return widget->palette().color(group, role);
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

// The leftmost column of `row` holding a pixel of `colour`, -1 when none does.
int firstColumnOf(const QImage &image, const QRect &row, const QColor &colour)
{
    for (int x = row.left(); x <= row.right(); ++x) {
        for (int y = row.top(); y <= row.bottom(); ++y) {
            if ((image.pixel(x, y) | 0xff000000) == colour.rgb())
                return x;
        }
    }
    return -1;
}

QAction *addCommand(CImageMenu *menu, int id, const QString &text, bool enabled = true)
{
    QAction *action = CCommandManager::Instance()->CreateItemAction(id, text, menu);
    action->setEnabled(enabled);
    menu->addAction(action);
    return action;
}

QImage render(QMenu *menu, qreal ratio = 1.0)
{
    menu->ensurePolished();
    menu->adjustSize();
    QImage image(menu->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    menu->render(&image);
    if (qEnvironmentVariableIsSet("TW_SAVE_MENU"))
        image.save(QStringLiteral("/tmp/menu-%1-%2.png").arg(menu->actions().size()).arg(ratio));
    return image;
}

} // namespace

class TestImageMenu : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CCommandManager> m_commands;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_commands = std::make_unique<CCommandManager>();
    }
    void cleanupTestCase() { m_commands.reset(); }

    void picturesComeFromTheLoadedStrips_data()
    {
        QTest::addColumn<QList<int>>("toolbars");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("source");
        const QList<int> frame = {128, 173};
        QTest::newRow("main toolbar") << frame << int(ID_EDIT_CUT) << 128;
        QTest::newRow("menu strip") << frame << int(ID_EDIT_DELETE) << 173;
        QTest::newRow("on both, first wins") << frame << int(ID_EDIT_FIND) << 128;
        QTest::newRow("on both, other order") << QList<int>{173, 128} << int(ID_EDIT_FIND) << 173;
        QTest::newRow("on no toolbar") << frame << int(ID_FILE_SAVE_AS) << -1;
        QTest::newRow("strip not loaded") << frame << int(ID_FTP_NEW_DIRECTORY) << -1;
        QTest::newRow("ftp strip loaded") << QList<int>{128, 173, 182} << int(ID_FTP_NEW_DIRECTORY) << 182;
    }
    void picturesComeFromTheLoadedStrips()
    {
        QFETCH(QList<int>, toolbars);
        QFETCH(int, command);
        QFETCH(int, source);
        CImageMenu menu;
        QVERIFY(menu.LoadToolbars(toolbars));
        QCOMPARE(menu.PictureSource(command), source);
        QAction *action = addCommand(&menu, command, QStringLiteral("Item"));
        QCOMPARE(menu.Picture(action).isNull(), source == -1);
        QVERIFY(!menu.LoadToolbars({128, 999}));
        QCOMPARE(menu.Toolbars(), QList<int>{128});
    }

    void submenusInheritTheStrips()
    {
        CImageMenu menu;
        menu.LoadToolbars({173});
        auto *submenu = qobject_cast<CImageMenu *>(CImageMenu::Create(QStringLiteral("New"), &menu));
        QVERIFY(submenu);
        QCOMPARE(submenu->Toolbars(), QList<int>{173});
        QCOMPARE(submenu->style(), menu.style());
        auto *context = qobject_cast<CImageMenu *>(CImageMenu::Create(QString(), nullptr));
        QCOMPARE(context->Toolbars(), (QList<int>{128, 173, 182}));
        delete context;
    }

    // Text starts in the same column whether or not an item has a picture.
    void itemWithoutPictureIsIndentedByPictureWidth()
    {
        CImageMenu menu;
        menu.LoadToolbars({128, 173});
        QAction *withPicture = addCommand(&menu, ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X"));
        QAction *withoutPicture = addCommand(&menu, ID_FILE_SAVE_AS, QStringLiteral("Save &As..."));
        const QImage image = render(&menu);
        const QColor background = colour(&menu, QPalette::Window);
        const QColor text = colour(&menu, QPalette::WindowText);

        const QRect bare = menu.actionGeometry(withoutPicture);
        const QRect pictured = menu.actionGeometry(withPicture);
        const QRect bareBox(bare.left() + 1, bare.top(), PictureWidth + 3, bare.height());
        QCOMPARE(coloursIn(image, bareBox).keys(), QList<QRgb>{background.rgb()});
        const QRect picturedBox(pictured.left() + 2, pictured.top(), PictureWidth, pictured.height());
        QVERIFY(coloursIn(image, picturedBox).size() > 2);

        const int bareText = firstColumnOf(image, bare, text);
        const int picturedText = firstColumnOf(image, pictured, text);
        QVERIFY(bareText >= bare.left() + PictureWidth + 9);
        QVERIFY(picturedText >= pictured.left() + PictureWidth + 9);
        QVERIFY(qAbs(bareText - picturedText) <= 3);
    }

    // A disabled item: its picture in the light and shadow colours only, its text embossed.
    void disabledItemIsEmbossed()
    {
        CImageMenu menu;
        menu.LoadToolbars({128, 173});
        QAction *disabled = addCommand(&menu, ID_EDIT_DELETE, QStringLiteral("Delete\tDel"), false);
        addCommand(&menu, ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X"));
        const QImage image = render(&menu);
        const QRect row = menu.actionGeometry(disabled);
        const QColor light = colour(&menu, QPalette::Light);
        const QColor shadow = colour(&menu, QPalette::Dark);
        const QColor face = colour(&menu, QPalette::Button);
        const QColor grey = colour(&menu, QPalette::WindowText, QPalette::Disabled);

        const int offset = qMax(0, (row.height() - PictureHeight - 4) / 2);
        const QRect box(row.left() + 1, row.top() + offset + 1, PictureWidth + 2, PictureHeight + 2);
        const QHash<QRgb, int> inBox = coloursIn(image, box);
        QVERIFY(inBox.value(light.rgb()) > 0);
        QVERIFY(inBox.value(shadow.rgb()) > 0);
        for (auto it = inBox.cbegin(); it != inBox.cend(); ++it)
            QVERIFY2(it.key() == light.rgb() || it.key() == shadow.rgb() || it.key() == face.rgb(),
                     qPrintable(QColor(it.key()).name()));

        // The text's light copy lies one pixel right of and below its grey copy.
        const QRect textArea(row.left() + PictureWidth + 9, row.top(), row.width() - PictureWidth - 9, row.height());
        const int greyColumn = firstColumnOf(image, textArea, grey);
        const int lightColumn = firstColumnOf(image, textArea, light);
        QVERIFY(greyColumn > 0);
        QCOMPARE(lightColumn, greyColumn + 1);
        QCOMPARE(firstColumnOf(image, textArea, colour(&menu, QPalette::WindowText)), -1);

        // Under the mouse: the text in the menu's background colour on the highlight.
        menu.setActiveAction(disabled);
        const QImage hovered = render(&menu);
        const QHash<QRgb, int> inText = coloursIn(hovered, textArea);
        QVERIFY(inText.value(colour(&menu, QPalette::Highlight).rgb()) > 0);
        QVERIFY(inText.value(colour(&menu, QPalette::Window).rgb()) > 0);
        QCOMPARE(inText.value(grey.rgb()), 0);
    }

    // A selected item's picture stands in a raised box, a checked one in a sunken box.
    void selectedPictureIsRaisedAndCheckedSunken()
    {
        CImageMenu menu;
        menu.LoadToolbars({128, 173});
        QAction *item = addCommand(&menu, ID_VIEW_DETAILS, QStringLiteral("Details"));
        const QColor light = colour(&menu, QPalette::Light);
        const QColor shadow = colour(&menu, QPalette::Dark);
        menu.setActiveAction(item);
        QImage image = render(&menu);
        const QRect row = menu.actionGeometry(item);
        const int offset = qMax(0, (row.height() - PictureHeight - 4) / 2);
        const QPoint topLeft(row.left() + 1, row.top() + offset + 1);
        const QPoint bottomRight = topLeft + QPoint(PictureWidth + 1, PictureHeight + 1);
        QCOMPARE(image.pixelColor(topLeft + QPoint(3, 0)).rgb(), light.rgb());
        QCOMPARE(image.pixelColor(bottomRight - QPoint(3, 0)).rgb(), shadow.rgb());

        item->setCheckable(true);
        item->setChecked(true);
        image = render(&menu);
        QCOMPARE(image.pixelColor(topLeft + QPoint(3, 0)).rgb(), shadow.rgb());
        QCOMPARE(image.pixelColor(bottomRight - QPoint(3, 0)).rgb(), light.rgb());
    }

    // A checked item without a picture: the check mark, or a bullet for one of a group.
    void checkedItemWithoutPictureShowsMark()
    {
        CImageMenu menu;
        menu.LoadToolbars({128, 173});
        QAction *check = addCommand(&menu, ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"));
        check->setCheckable(true);
        check->setChecked(true);
        QAction *bullet = addCommand(&menu, ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"));
        auto *group = new QActionGroup(&menu);
        bullet->setCheckable(true);
        bullet->setChecked(true);
        group->addAction(bullet);
        const QImage image = render(&menu);
        const QColor text = colour(&menu, QPalette::WindowText);
        for (QAction *action : {check, bullet}) {
            const QRect row = menu.actionGeometry(action);
            const int offset = qMax(0, (row.height() - PictureHeight - 4) / 2);
            const QPoint mark(row.left() + 5, row.top() + offset + 6);
            // The check mark's third column reaches lowest; the bullet is round.
            if (action == check) {
                QCOMPARE(image.pixelColor(mark + QPoint(2, 4)).rgb(), text.rgb());
                QCOMPARE(image.pixelColor(mark + QPoint(2, 1)).rgb(), colour(&menu, QPalette::Midlight).rgb());
            } else {
                QCOMPARE(image.pixelColor(mark + QPoint(4, 3)).rgb(), text.rgb());
            }
        }
    }

    // At twice the pixel density the picture is drawn from the picture itself, not enlarged.
    void picturesStayCrispAtDoubleDensity()
    {
        CImageMenu menu;
        menu.LoadToolbars({128});
        QAction *item = addCommand(&menu, ID_EDIT_CUT, QStringLiteral("Cu&t"));
        const QImage image = render(&menu, 2.0);
        const QRect row = menu.actionGeometry(item);
        const int offset = qMax(0, (row.height() - PictureHeight - 4) / 2);
        QImage expected(QSize(PictureWidth, PictureHeight) * 2, QImage::Format_ARGB32_Premultiplied);
        expected.fill(colour(&menu, QPalette::Window));
        expected.setDevicePixelRatio(2.0);
        {
            QPainter painter(&expected);
            painter.drawPixmap(0, 0, CommandIcon(ID_EDIT_CUT).pixmap(QSize(PictureWidth, PictureHeight), 2.0));
        }
        expected.setDevicePixelRatio(1.0);
        QImage drawn = image.copy(QRect(QPoint(row.left() + 2, row.top() + offset + 2) * 2, expected.size()));
        drawn.setDevicePixelRatio(1.0);
        QCOMPARE(drawn.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    }

    // Every popup of the program is an image menu: the menu bars with their submenus, the
    // context menus and the view drop-down.
    void everyPopupIsAnImageMenu()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        m_commands.reset();
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        for (QMenu *menu : frame->BuildDocumentMenu() + frame->BuildDefaultMenu()) {
            auto *image = qobject_cast<CImageMenu *>(menu);
            QVERIFY2(image, qPrintable(menu->title()));
            QCOMPARE(image->Toolbars(), (QList<int>{128, 173}));
            for (QAction *action : menu->actions()) {
                if (action->menu())
                    QVERIFY(qobject_cast<CImageMenu *>(action->menu()));
            }
        }
        auto *button = qobject_cast<QToolButton *>(frame->MainToolBar()->widgetForAction(frame->Commands()->Action(ID_VIEW_NODE_TOOL)));
        QVERIFY(qobject_cast<CImageMenu *>(button->menu()));

        QString popupType;
        QTimer::singleShot(0, this, [&] {
            QWidget *popup = QApplication::activePopupWidget();
            popupType = popup ? QString::fromLatin1(popup->metaObject()->className()) : QString();
            if (popup)
                popup->close();
        });
        frame->Commands()->ShowPopup(175, frame->mapToGlobal(QPoint(50, 50)), frame);
        QCOMPARE(popupType, QStringLiteral("CImageMenu"));
        m_commands = std::make_unique<CCommandManager>();
    }

    // The underlined letter chooses its item.
    void mnemonicChoosesItem()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        m_commands.reset();
        {
            CTreewrightApp app;
            QVERIFY(app.InitInstance({}));
            CMainFrame *frame = app.MainFrame();
            frame->Commands()->UpdateAll();
            QVERIFY(frame->statusBar()->isVisible());
            QMenu *view = nullptr;
            for (QMenu *menu : frame->MenuBarMenus()) {
                if (menu->title() == QStringLiteral("&View"))
                    view = menu;
            }
            QVERIFY(view);
            view->popup(frame->mapToGlobal(QPoint(20, 20)));
            QVERIFY(QTest::qWaitForWindowExposed(view));
            QTest::keyClick(view, Qt::Key_S);
            QTRY_VERIFY(!frame->statusBar()->isVisible());
        }
        m_commands = std::make_unique<CCommandManager>();
    }
};

QTEST_MAIN(TestImageMenu)
#include "tst_imagemenu.moc"
