// The file browser in the main window: its toolbar button shows and hides it and shows its
// state, its close button does the same, it docks on the left with a minimum size and floats on
// a double click on its title, its focus switches the edit menu, and a double-clicked file opens
// as a document.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "filebrowser/filebrowserbar.h"
#include "framework/commandmanager.h"
#include "panes/childframe.h"
#include "resources/commandids.h"
#include "common/testfiles.h"

#include <QAbstractButton>
#include <QMenu>
#include <QSettings>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

class TestFileBrowserCommand : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    static void show(CMainFrame *frame)
    {
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void toolbarButtonTogglesTheBar()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        show(frame);
        CFileBrowserBar *bar = frame->FileBrowser();
        QCOMPARE(bar->windowTitle(), QStringLiteral("File Browser"));
        QCOMPARE(frame->dockWidgetArea(bar), Qt::LeftDockWidgetArea);
        QVERIFY(!bar->isVisible());
        auto *button = qobject_cast<QToolButton *>(
            frame->MainToolBar()->widgetForAction(frame->Commands()->Action(ID_VIEW_FILE_BROWSER)));
        QVERIFY(button->isEnabled());
        QVERIFY(!button->isChecked());
        // The bar lists "/" first.
        QCOMPARE(bar->Model()->index(0, 0).data().toString(), QStringLiteral("/"));

        for (bool shown : {true, false, true}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QTRY_COMPARE(bar->isVisible(), shown);
            QTRY_COMPARE(button->isChecked(), shown);
        }
        // The bar's close button sends the same command.
        auto *close = bar->findChild<QAbstractButton *>(QStringLiteral("qt_dockwidget_closebutton"));
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(!bar->isVisible());
        QTRY_VERIFY(!button->isChecked());
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(bar->isVisible());
        QTRY_VERIFY(button->isChecked());

        // Never narrower than the minimum, nor than its title's buttons need.
        frame->resizeDocks({bar}, {5}, Qt::Horizontal);
        QTRY_COMPARE(bar->width(), qMax(CResizableDockBar::MinimumSize.width(), bar->minimumSizeHint().width()));
        QVERIFY(bar->width() < 100);
        frame->resizeDocks({bar}, {250}, Qt::Horizontal);
        QTRY_COMPARE(bar->width(), 250);

        // The title strip lies above the tree.
        const QPoint title(bar->width() / 3, bar->Tree()->mapTo(bar, QPoint(0, 0)).y() / 2);
        QTest::mouseDClick(bar, Qt::LeftButton, {}, title);
        QTRY_VERIFY(bar->isFloating());
        QCOMPARE(bar->size(), bar->FloatingSize());
        bar->setFloating(false);
        QCOMPARE(frame->dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    }

    void focusSwitchesTheEditMenuAndDoubleClickOpens()
    {
        const QString path = m_dir.write(QStringLiteral("opened.xml"), "<catalog/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("first.xml"), "<a/>")}));
        CMainFrame *frame = app.MainFrame();
        show(frame);
        frame->Commands()->Execute(ID_VIEW_FILE_BROWSER);
        CFileBrowserBar *bar = frame->FileBrowser();
        QTRY_VERIFY(bar->isVisible());

        CChildFrame *child = frame->ActiveChildFrame();
        child->OnEditMenuSwitch(181);
        QCOMPARE(child->EditMenuResource(), 181);
        bar->Tree()->setFocus();
        QTRY_COMPARE(child->EditMenuResource(), 219);
        QCOMPARE(frame->EditMenu()->actions().at(3)->text(), QStringLiteral("Cu&t\tCtrl+X"));

        // Down from "/" to the file, folder by folder, and a double click on it.
        QModelIndex item = bar->Model()->index(0, 0);
        const QStringList names = QFileInfo(path).canonicalFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString &name : names) {
            bar->Tree()->expand(item);
            QTRY_VERIFY(!bar->IsReading());
            QModelIndex next;
            for (int row = 0; row < bar->Model()->rowCount(item) && !next.isValid(); ++row) {
                if (bar->Model()->index(row, 0, item).data().toString() == name)
                    next = bar->Model()->index(row, 0, item);
            }
            QVERIFY2(next.isValid(), qPrintable(name));
            item = next;
        }
        bar->Tree()->scrollTo(item);
        const QPoint at = bar->Tree()->visualRect(item).center();
        QTest::mouseClick(bar->Tree()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(bar->Tree()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(app.Documents().size(), 2);
        QCOMPARE(QFileInfo(app.Documents().last()->GetPathName()).fileName(), QStringLiteral("opened.xml"));
    }
};

QTEST_MAIN(TestFileBrowserCommand)
#include "tst_filebrowsercommand.moc"
