// Keyboard access: in every dialog, Tab visits every control that can take the focus, on every
// tab page, and Shift+Tab walks the same ring backwards; every toolbar button has a tool tip; the
// desktop's standard keys for closing and quitting.
#include "app/aboutdlg.h"
#include "app/downloadprogressdlg.h"
#include "app/mainframe.h"
#include "app/settingsdlg.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "ftp/ftpconnectdlg.h"
#include "ftp/ftpopendlg.h"
#include "panes/editnodedlg.h"
#include "panes/findreplacedlg.h"
#include "panes/nodepropertysheet.h"
#include "framework/messagehelper.h"
#include "common/messagerecorder.h"

#include <QAbstractButton>
#include <QMdiArea>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

using Factory = std::function<QDialog *()>;

QString describe(const QWidget *w)
{
    if (!w)
        return QStringLiteral("(none)");
    QString text = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        text += QLatin1Char('#') + w->objectName();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        text += QStringLiteral(" \"%1\"").arg(button->text());
    return text;
}

// The controls a keyboard user must be able to reach: shown now, enabled, taking Tab focus.
// A widget that hands its focus to another (a scroll area's viewport, a combo box's line edit)
// counts as that one.
QSet<QWidget *> reachable(QDialog *dialog)
{
    QSet<QWidget *> controls;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        QWidget *target = w->focusProxy() ? w->focusProxy() : w;
        if (target->isVisibleTo(dialog) && target->isEnabled() && (target->focusPolicy() & Qt::TabFocus)
            && w->isVisibleTo(dialog))
            controls.insert(target);
    }
    return controls;
}

// Tab stops once in a group of radio buttons (at its checked one); the arrow keys move inside it.
bool reached(QWidget *control, const QList<QWidget *> &ring)
{
    if (ring.contains(control))
        return true;
    auto *radio = qobject_cast<QRadioButton *>(control);
    if (!radio || !radio->autoExclusive())
        return false;
    return std::any_of(ring.cbegin(), ring.cend(), [radio](QWidget *w) {
        auto *other = qobject_cast<QRadioButton *>(w);
        return other && other->autoExclusive() && other->parentWidget() == radio->parentWidget();
    });
}

// Presses `key` until the focus comes back to where it started; the widgets met, in order.
QList<QWidget *> walk(QDialog *dialog, Qt::Key key, int limit)
{
    QList<QWidget *> ring;
    QWidget *start = QApplication::focusWidget();
    ring.append(start);
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget *now = QApplication::focusWidget();
        if (now == start || !now || !dialog->isAncestorOf(now))
            break;
        ring.append(now);
    }
    return ring;
}

} // namespace

class TestKeyboardAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void tabVisitsEveryControl_data()
    {
        QTest::addColumn<Factory>("make");
        QTest::newRow("About") << Factory([] { return new CAboutDlg; });
        QTest::newRow("Settings") << Factory([] { return new CSettingsDlg(QStringLiteral("Settings")); });
        QTest::newRow("Download") << Factory([] { return new CDownloadProgressDlg; });
        QTest::newRow("FTP connect") << Factory([] { return new CFtpConnectDlg; });
        QTest::newRow("FTP open") << Factory([] { return new CFtpOpenDlg; });
        QTest::newRow("Edit Node") << Factory([] {
            auto *dialog = new CEditNodeDlg;
            dialog->SetName(QStringLiteral("a"));
            dialog->SetType(QStringLiteral("Element"));
            dialog->SetValue(QStringLiteral("text"));
            return dialog;
        });
        QTest::newRow("Properties") << Factory([] { return new CNodePropertySheet(QStringLiteral("Properties")); });
        QTest::newRow("Find") << Factory([] { return new CFindReplaceDlg(CFindReplaceDlg::Kind::Find, nullptr); });
        QTest::newRow("Replace") << Factory([] { return new CFindReplaceDlg(CFindReplaceDlg::Kind::Replace, nullptr); });
    }
    void tabVisitsEveryControl()
    {
        QFETCH(Factory, make);
        QPointer<QDialog> dialog = make();
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        // A dialog with nothing to operate (a progress bar) is closed with Escape.
        if (reachable(dialog).isEmpty()) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->isVisible());
            delete dialog;
            return;
        }
        // A dialog opens with the focus on one of its controls, not nowhere.
        QTRY_VERIFY(QApplication::focusWidget() && dialog->isAncestorOf(QApplication::focusWidget()));

        // Each tab page in turn; a dialog without pages is one page.
        QTabWidget *tabs = dialog->findChild<QTabWidget *>();
        const int pages = tabs ? tabs->count() : 1;
        for (int page = 0; page < pages; ++page) {
            if (tabs) {
                tabs->setCurrentIndex(page);
                tabs->tabBar()->setFocus(Qt::TabFocusReason);
            }
            const QSet<QWidget *> controls = reachable(dialog);
            const QList<QWidget *> forward = walk(dialog, Qt::Key_Tab, controls.size() + 5);
            QStringList missed, ring;
            for (QWidget *control : controls) {
                if (!reached(control, forward))
                    missed.append(describe(control));
            }
            for (QWidget *w : forward)
                ring.append(describe(w));
            QVERIFY2(missed.isEmpty(), qPrintable(QStringLiteral("page %1 misses %2; ring: %3")
                                                      .arg(page).arg(missed.join(u','), ring.join(u'>'))));
            // The ring is closed: after the last control Tab comes back to the first.
            QCOMPARE(QApplication::focusWidget(), forward.first());
            // Shift+Tab walks it backwards.
            QList<QWidget *> backward = walk(dialog, Qt::Key_Backtab, controls.size() + 5);
            std::reverse(backward.begin() + 1, backward.end());
            QCOMPARE(backward, forward);
        }
        delete dialog;
    }

    void everyToolbarButtonHasATooltip()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CFtpOpenDlg ftp;
        for (QWidget *window : {static_cast<QWidget *>(app.MainFrame()), static_cast<QWidget *>(&ftp)}) {
            const QList<QToolButton *> buttons = window->findChildren<QToolButton *>();
            int onToolbars = 0;
            for (QToolButton *button : buttons) {
                if (!qobject_cast<QToolBar *>(button->parentWidget()) || !button->defaultAction())
                    continue;
                ++onToolbars;
                QVERIFY2(!button->toolTip().trimmed().isEmpty(), qPrintable(describe(button)));
                QVERIFY2(!button->toolTip().contains(QLatin1Char('&')), qPrintable(button->toolTip()));
            }
            QVERIFY2(onToolbars >= 3, qPrintable(describe(window)));
        }
    }

    // The desktop's standard keys where the program's tables leave them free: Ctrl+W (the
    // document window's own Close key) closes the active document window, asking to save a
    // changed one; Ctrl+Q quits.
    void ctrlWClosesTheActiveDocumentWindow()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        QVERIFY(app.OnFileNew());
        frame->show();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 2);
        CWorkSpaceDoc *second = frame->ActiveDocument();

        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(frame->MdiArea()->subWindowList().size(), 1);
        QVERIFY(!app.Documents().contains(second));

        // A changed document asks first; Cancel keeps the window.
        MessageRecorder messages;
        frame->ActiveDocument()->SetModifiedFlag(true);
        messages.queueAnswer(IDAnswer::Cancel);
        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
        messages.queueAnswer(IDAnswer::No);
        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(frame->MdiArea()->subWindowList().size(), 0);
    }

    void ctrlQQuitsAfterAskingToSave()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        MessageRecorder messages;
        frame->ActiveDocument()->SetModifiedFlag(true);
        messages.queueAnswer(IDAnswer::Cancel);
        QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(messages.count(), 1);
        QVERIFY(frame->isVisible());
        messages.queueAnswer(IDAnswer::No);
        QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!frame->isVisible());
    }
};

QTEST_MAIN(TestKeyboardAccess)
#include "tst_keyboardaccess.moc"
