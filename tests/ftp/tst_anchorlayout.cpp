// Controls anchored to the edges of a resizable window, and the resizable dialog built on them.
#include "ftp/anchorlayout.h"
#include "ftp/resizabledialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSizeGrip>
#include <QtTest>

namespace {

// A dialog laid out like a file dialog: a list that fills it, a look-in box along the top,
// labels and buttons along the bottom.
class FileLikeDialog : public CResizableDialog
{
public:
    FileLikeDialog()
    {
        resize(300, 200);
        lookIn = place(QRect(60, 10, 200, 20));
        list = place(QRect(10, 40, 280, 100));
        nameLabel = place(QRect(10, 150, 60, 20));
        open = place(QRect(230, 150, 60, 20));
        cancel = place(QRect(230, 175, 60, 20));
        fixed = place(QRect(100, 175, 40, 20));
        AnchorLayout().Register(lookIn, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorRight | CAnchorLayout::AnchorTop);
        AnchorLayout().Register(list, 15);
        AnchorLayout().Register(nameLabel, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorBottom);
        AnchorLayout().Register(open, 10);
        AnchorLayout().Register(cancel, 10);
        AnchorLayout().Register(fixed, 0);
        FinishInitialLayout();
    }
    QWidget *place(const QRect &rect)
    {
        auto *widget = new QLabel(this);
        widget->setGeometry(rect);
        return widget;
    }
    QWidget *lookIn, *list, *nameLabel, *open, *cancel, *fixed;
};

} // namespace

class TestAnchorLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enlargingMovesAndStretchesByAnchor()
    {
        FileLikeDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.AnchorLayout().Count(), 5); // flags 0 register nothing
        QCOMPARE(dialog.AnchorLayout().InitialSize(), QSize(300, 200));

        dialog.resize(400, 300);
        QCOMPARE(dialog.list->geometry(), QRect(10, 40, 380, 200));
        QCOMPARE(dialog.open->geometry(), QRect(330, 250, 60, 20));
        QCOMPARE(dialog.cancel->geometry(), QRect(330, 275, 60, 20));
        QCOMPARE(dialog.lookIn->geometry(), QRect(60, 10, 300, 20));
        QCOMPARE(dialog.nameLabel->geometry(), QRect(10, 250, 60, 20));
        QCOMPARE(dialog.fixed->geometry(), QRect(100, 175, 40, 20));

        // Back to the first size puts everything back where it was.
        dialog.resize(300, 200);
        QCOMPARE(dialog.list->geometry(), QRect(10, 40, 280, 100));
        QCOMPARE(dialog.open->geometry(), QRect(230, 150, 60, 20));
        QCOMPARE(dialog.lookIn->geometry(), QRect(60, 10, 200, 20));
    }

    void dialogKeepsItsFirstSizeAsMinimumAndHasAGrip()
    {
        FileLikeDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.resize(150, 100);
        QCOMPARE(dialog.size(), QSize(300, 200));
        QCOMPARE(dialog.list->geometry(), QRect(10, 40, 280, 100));

        auto *grip = dialog.findChild<QSizeGrip *>();
        QVERIFY(grip);
        QVERIFY(grip->isVisible());
        QCOMPARE(grip->geometry().bottomRight(), dialog.rect().bottomRight());
        dialog.resize(360, 260);
        QCOMPARE(grip->geometry().bottomRight(), dialog.rect().bottomRight());
    }

    void hiddenWhileItDoesNotFit()
    {
        QWidget parent;
        parent.resize(200, 100);
        auto *corner = new QPushButton(&parent);
        corner->setGeometry(150, 10, 40, 20);
        auto *plain = new QPushButton(&parent);
        plain->setGeometry(150, 40, 40, 20);
        CAnchorLayout layout;
        layout.Register(corner, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorTop | CAnchorLayout::HideWhenClipped);
        layout.Register(plain, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorTop);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        parent.resize(170, 100);
        layout.Reposition(&parent);
        QVERIFY(corner->isHidden());
        QVERIFY(!plain->isHidden()); // without the flag a control is only moved, never hidden
        QCOMPARE(corner->geometry(), QRect(150, 10, 40, 20));

        parent.resize(220, 100);
        layout.Reposition(&parent);
        QVERIFY(!corner->isHidden());
        QCOMPARE(corner->geometry(), QRect(150, 10, 40, 20));
    }

    void minimisedWindowKeepsItsControls()
    {
        QWidget parent;
        parent.resize(200, 100);
        auto *stretched = new QPushButton(&parent);
        stretched->setGeometry(10, 10, 180, 80);
        CAnchorLayout layout;
        layout.Reposition(&parent); // nothing registered yet: nothing to do, nothing fails
        layout.Register(stretched, 15);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        parent.setWindowState(Qt::WindowMinimized);
        parent.resize(40, 30);
        layout.Reposition(&parent);
        QCOMPARE(stretched->geometry(), QRect(10, 10, 180, 80));

        parent.setWindowState(Qt::WindowNoState);
        parent.resize(200, 100);
        layout.Reposition(&parent);
        QCOMPARE(stretched->geometry(), QRect(10, 10, 180, 80));
    }

    void deletedControlIsSkipped()
    {
        QWidget parent;
        parent.resize(200, 100);
        auto *gone = new QPushButton(&parent);
        gone->setGeometry(10, 10, 50, 20);
        auto *stays = new QPushButton(&parent);
        stays->setGeometry(10, 40, 50, 20);
        CAnchorLayout layout;
        layout.Register(gone, 10);
        layout.Register(stays, 10);
        delete gone;
        parent.resize(260, 130);
        layout.Reposition(&parent);
        QCOMPARE(stays->geometry(), QRect(70, 70, 50, 20));
    }
};

QTEST_MAIN(TestAnchorLayout)
#include "tst_anchorlayout.moc"
