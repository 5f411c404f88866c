// The source text editor: the search rules with the Find and Replace dialog, the enabling of its
// commands, the accelerator keys, the context menu and the font chooser.
#include "panes/sourceedit.h"
#include "framework/commandmanager.h"
#include "framework/filedialogs.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"

#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QFontInfo>
#include <QtTest>

class TestSourceEdit : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_window;
    CSourceEdit *m_edit = nullptr;
    std::unique_ptr<CCommandManager> m_commands;

    void setText(const QString &text) { m_edit->ResetText(text.toUtf8()); }
    // Selects characters [start, end) of the first line.
    void select(int start, int end) { m_edit->setSelection(0, start, 0, end); }
    QPair<int, int> selection() const
    {
        int lineFrom, indexFrom, lineTo, indexTo;
        m_edit->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        if (lineFrom < 0) {
            m_edit->getCursorPosition(&lineFrom, &indexFrom);
            return {indexFrom, indexFrom};
        }
        return {indexFrom, indexTo};
    }
    // The accelerators work while the document's window is the active one.
    void activate()
    {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_edit->setFocus();
    }
    CFindReplaceDlg *openDialog(Qt::Key key)
    {
        activate();
        QTest::keyClick(m_edit, key, Qt::ControlModifier);
        return m_edit->FindDialog();
    }
    static void click(CFindReplaceDlg *dialog, const char *name)
    {
        auto *widget = dialog->findChild<QAbstractButton *>(QString::fromLatin1(name));
        QVERIFY2(widget, name);
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    // Searches the editor's text for `pattern` with the Find dialog's Find Next button.
    void findWithDialog(const QString &pattern, bool matchCase, bool up)
    {
        CFindReplaceDlg *dialog = openDialog(Qt::Key_F);
        QVERIFY(dialog);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("findText")), pattern);
        if (matchCase)
            click(dialog, "matchCase");
        if (up)
            click(dialog, "up");
        click(dialog, "findNext");
        click(dialog, "cancel");
        QTRY_VERIFY(!m_edit->FindDialog());
    }
    CFindReplaceDlg *replaceDialog(const QString &pattern, const QString &replacement)
    {
        CFindReplaceDlg *dialog = openDialog(Qt::Key_H);
        if (!dialog)
            return nullptr;
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("findText")), pattern);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("replaceText")), replacement);
        return dialog;
    }

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_edit = new CSourceEdit(m_window.get());
        (new QVBoxLayout(m_window.get()))->addWidget(m_edit);
        m_commands = std::make_unique<CCommandManager>();
        m_commands->SetRoute([this] { return QList<CCmdTarget *>{m_edit}; });
        m_commands->SetAcceleratorTable(m_window.get(), 131);
        m_window->resize(500, 300);
        m_window->show();
        activate();
    }
    void cleanup()
    {
        m_window.reset();
        m_commands.reset();
        FileDialogs::SetFontHook({});
    }

    void searchRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectionStart");
        QTest::addColumn<int>("selectionEnd");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("foundStart"); // -1: not found
        QTest::newRow("down skips the selected occurrence") << "cat cat cat" << 0 << 3 << "cat" << false << false << 4;
        QTest::newRow("up finds the nearest earlier one") << "cat cat cat" << 8 << 11 << "cat" << false << true << 4;
        QTest::newRow("up: it ends before the selection") << "aaaa" << 3 << 3 << "aa" << false << true << 1;
        QTest::newRow("case off finds other letters") << "xx Cat CAT" << 0 << 0 << "cAT" << false << false << 3;
        QTest::newRow("case on finds the exact letters") << "xx Cat CAT" << 0 << 0 << "CAT" << true << false << 7;
        QTest::newRow("case on, up") << "CAT cat Cat" << 11 << 11 << "CAT" << true << true << 0;
        QTest::newRow("no wrap at the end") << "cat dog" << 4 << 4 << "cat" << false << false << -1;
        QTest::newRow("no wrap at the start") << "dog cat" << 0 << 0 << "cat" << false << true << -1;
        QTest::newRow("characters beyond ASCII") << QStringLiteral("éé Ärger ärger") << 4 << 4 << QStringLiteral("ÄRGER") << false << false << 9;
    }
    void searchRules()
    {
        QFETCH(QString, text);
        QFETCH(int, selectionStart);
        QFETCH(int, selectionEnd);
        QFETCH(QString, pattern);
        QFETCH(bool, matchCase);
        QFETCH(bool, up);
        QFETCH(int, foundStart);
        MessageRecorder messages;
        setText(text);
        select(selectionStart, selectionEnd);
        findWithDialog(pattern, matchCase, up);
        if (foundStart < 0) {
            QCOMPARE(messages.count(), 1);
            QCOMPARE(messages.lastText(), QStringLiteral("cannot find \"%1\"").arg(pattern));
            QCOMPARE(selection(), qMakePair(selectionStart, selectionEnd));
        } else {
            QCOMPARE(messages.count(), 0);
            QCOMPARE(selection(), qMakePair(foundStart, foundStart + int(pattern.size())));
        }
    }

    void searchGoesLineByLine()
    {
        MessageRecorder messages;
        setText(QStringLiteral("one cat\ntwo\nthree cat four\ncat"));
        findWithDialog(QStringLiteral("cat"), false, false);
        QCOMPARE(m_edit->selectedText(), QStringLiteral("cat"));
        int line, index;
        m_edit->getCursorPosition(&line, &index);
        QCOMPARE(line, 0);
        // F3 goes on with the kept text after the dialog closed, down to the last line, then stops.
        QTest::keyClick(m_edit, Qt::Key_F3);
        m_edit->getCursorPosition(&line, &index);
        QCOMPARE(QPair(line, index), QPair(2, 9));
        QTest::keyClick(m_edit, Qt::Key_F3);
        m_edit->getCursorPosition(&line, &index);
        QCOMPARE(QPair(line, index), QPair(3, 3));
        QTest::keyClick(m_edit, Qt::Key_F3);
        QCOMPARE(messages.count(), 1);
        // A pattern can never match across a line break.
        setText(QStringLiteral("ab\ncd"));
        m_edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0);
        findWithDialog(QStringLiteral("bc"), false, false);
        QCOMPARE(messages.count(), 2);
    }

    void replaceSearchesFirst()
    {
        MessageRecorder messages;
        setText(QStringLiteral("a1 a2 a3"));
        CFindReplaceDlg *dialog = replaceDialog(QStringLiteral("a"), QStringLiteral("b"));
        QVERIFY(dialog);
        click(dialog, "findNext");
        QCOMPARE(selection(), qMakePair(0, 1));
        // Replace replaces the occurrence after the one Find Next selected.
        click(dialog, "replace");
        QCOMPARE(m_edit->text(), QStringLiteral("a1 b2 a3"));
        click(dialog, "replace");
        QCOMPARE(m_edit->text(), QStringLiteral("a1 b2 b3"));
        click(dialog, "replace");
        QCOMPARE(m_edit->text(), QStringLiteral("a1 b2 b3"));
        QCOMPARE(messages.lastText(), QStringLiteral("cannot find \"a\""));
    }

    void replaceAllFromTheTop()
    {
        MessageRecorder messages;
        QString text;
        for (int i = 0; i < 1000; ++i)
            text += i == 900 ? QStringLiteral("x needle x\n") : QStringLiteral("line %1 x\n").arg(i);
        setText(text);
        m_edit->undo();
        QTest::keyClicks(m_edit, QStringLiteral("typed "));
        QVERIFY(m_edit->isUndoAvailable());
        // The caret at the end and the search direction up: Replace All still starts at the top.
        m_edit->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        CFindReplaceDlg *dialog = replaceDialog(QStringLiteral("X"), QStringLiteral("xx"));
        QVERIFY(dialog);
        m_edit->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0);
        click(dialog, "replaceAll");
        QCOMPARE(m_edit->text().count(QStringLiteral("xx")), 1001);
        QCOMPARE(m_edit->text().count(QLatin1Char('x')), 2002);
        QVERIFY(m_edit->text().startsWith(QStringLiteral("typed line 0 xx\n")));
        QCOMPARE(messages.count(), 0);
        QTRY_VERIFY(!m_edit->FindDialog());
        // Not undoable, and nothing was scrolled while it ran.
        QVERIFY(!m_edit->isUndoAvailable());
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_UNDO));
        QCOMPARE(m_edit->firstVisibleLine(), 0);
        // F3 afterwards scrolls what it finds into view.
        setText(text);
        m_edit->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0);
        dialog = replaceDialog(QStringLiteral("needle"), QStringLiteral("needles"));
        click(dialog, "replaceAll");
        QCOMPARE(m_edit->firstVisibleLine(), 0);
        activate();
        QTest::keyClick(m_edit, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(m_edit, Qt::Key_F3);
        QCOMPARE(m_edit->selectedText(), QStringLiteral("needle"));
        const int first = m_edit->firstVisibleLine();
        QVERIFY(first > 0 && first <= 900 && 900 < first + m_edit->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    }

    void oneDialogAtATime()
    {
        CFindReplaceDlg *find = openDialog(Qt::Key_F);
        QVERIFY(find);
        QCOMPARE(find->DialogKind(), CFindReplaceDlg::Kind::Find);
        QVERIFY(!find->findChild<QLineEdit *>(QStringLiteral("replaceText")));
        QVERIFY(!find->findChild<QPushButton *>(QStringLiteral("findNext"))->isEnabled());
        QCOMPARE(openDialog(Qt::Key_H), find);
        QVERIFY(m_commands->IsEnabled(ID_EDIT_REPLACE));
        // Escape closes it; the next Replace... opens the other kind.
        QTest::keyClick(find, Qt::Key_Escape);
        QTRY_VERIFY(!m_edit->FindDialog());
        CFindReplaceDlg *replace = openDialog(Qt::Key_H);
        QVERIFY(replace);
        QCOMPARE(replace->DialogKind(), CFindReplaceDlg::Kind::Replace);
        QVERIFY(replace->SearchDown());
    }

    void commandEnabling()
    {
        setText(QStringLiteral("<a>text</a>"));
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_UNDO));
        for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE})
            QVERIFY(!m_commands->IsEnabled(id));
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_FIND_NEXT));
        for (int id : {ID_EDIT_FIND, ID_EDIT_REPLACE, ID_EDIT_FONT, ID_EDIT_SELECT_ALL_TEXT})
            QVERIFY(m_commands->IsEnabled(id));
        QGuiApplication::clipboard()->clear();
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_PASTE));
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QVERIFY(m_commands->IsEnabled(ID_EDIT_PASTE));

        // Del without a selection is the Clear key and does nothing.
        QTest::keyClick(m_edit, Qt::Key_Delete);
        QCOMPARE(m_edit->text(), QStringLiteral("<a>text</a>"));
        // With one it removes the selection and leaves the clipboard alone.
        select(3, 7);
        for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE})
            QVERIFY(m_commands->IsEnabled(id));
        QTest::keyClick(m_edit, Qt::Key_Delete);
        QCOMPARE(m_edit->text(), QStringLiteral("<a></a>"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(m_commands->IsEnabled(ID_EDIT_UNDO));
        QTest::keyClick(m_edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_edit->text(), QStringLiteral("<a>text</a>"));

        // Select All, then it has nothing more to select.
        QTest::keyClick(m_edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(m_edit->selectedText(), QStringLiteral("<a>text</a>"));
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_SELECT_ALL_TEXT));
        QTest::keyClick(m_edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<a>text</a>"));
        QTest::keyClick(m_edit, Qt::Key_End);
        QVERIFY(m_commands->IsEnabled(ID_EDIT_SELECT_ALL_TEXT));
        QTest::keyClick(m_edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_edit->text(), QStringLiteral("<a>text</a><a>text</a>"));
    }

    void contextMenu()
    {
        setText(QStringLiteral("<a/>"));
        QStringList texts;
        QList<bool> enabled;
        QTimer::singleShot(0, this, [&] {
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *action : menu->actions()) {
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
                enabled << action->isEnabled();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 10), m_edit->viewport()->mapToGlobal(QPoint(20, 10)));
        QApplication::sendEvent(m_edit->viewport(), &event);
        QTRY_VERIFY(!texts.isEmpty());
        QCOMPARE(texts, QStringList({"&Undo\tCtrl+Z", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V",
                                     "Clear\tDel", "Select &All\tCtrl+A", "-", "Find...\tCtrl+F", "Find Next\tF3",
                                     "Replace...\tCtrl+H", "-", "Font..."}));
        QCOMPARE(enabled.at(0), false); // nothing to undo
        QCOMPARE(enabled.at(2), false); // no selection to cut
        QCOMPARE(enabled.at(8), true);
        QCOMPARE(enabled.at(9), false); // nothing searched for yet
    }

    void fontChooser()
    {
        const QFont initial = m_edit->DisplayFont();
        QFont offered;
        FileDialogs::SetFontHook([&](const QFont &font) -> std::optional<QFont> {
            offered = font;
            return std::nullopt;
        });
        QVERIFY(m_commands->Execute(ID_EDIT_FONT));
        QCOMPARE(offered, initial);
        // The chooser opens on the family the text is really shown in.
        QCOMPARE(offered.family(), QFontInfo(offered).family());
        QCOMPARE(m_edit->DisplayFont(), initial);
        QFont chosen(QStringLiteral("Monospace"));
        chosen.setPointSize(17);
        FileDialogs::SetFontHook([&](const QFont &) -> std::optional<QFont> { return chosen; });
        QVERIFY(m_commands->Execute(ID_EDIT_FONT));
        QCOMPARE(m_edit->DisplayFont().family(), QFontInfo(chosen).family());
        QCOMPARE(m_edit->DisplayFont().pointSize(), 17);
        QCOMPARE(m_edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, 0UL), 17L);

        // The editor shows sizes in points only: a font sized in pixels must not come out tiny.
        QVERIFY(initial.pointSizeF() > 0);
        QFont pixels(QStringLiteral("Monospace"));
        pixels.setPixelSize(28);
        m_edit->SetDisplayFont(pixels);
        QVERIFY(m_edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, 0UL) >= 14L);
    }
};

QTEST_MAIN(TestSourceEdit)
#include "tst_sourceedit.moc"
