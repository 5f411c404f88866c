// File > "Settings...": the "Parser" and "Display" tabs read and write the "Settings" section;
// OK writes only the tabs that were shown, Cancel nothing; the parser switches take effect at
// the next open and the title switch at the next title.
#include "app/displaysettingspage.h"
#include "app/mainframe.h"
#include "app/parsersettingspage.h"
#include "app/settingsdlg.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/appsettings.h"
#include "framework/commandmanager.h"
#include "panes/modaldialogrunner.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
}

// Runs File > "Settings..." with `drive` acting on the dialog in place of the user.
void runSettings(CTreewrightApp &app, const std::function<void(CSettingsDlg &)> &drive)
{
    bool ran = false;
    ScopedModalDialogRunner runner([&](QDialog &dialog) {
        auto *settings = qobject_cast<CSettingsDlg *>(&dialog);
        if (!settings)
            return int(QDialog::Rejected);
        ran = true;
        dialog.show();
        drive(*settings);
        return dialog.result();
    });
    QVERIFY(app.MainFrame()->Commands()->Execute(ID_FILE_SETTINGS));
    QVERIFY(ran);
}

void press(QDialog &dialog, QDialogButtonBox::StandardButton which)
{
    QPushButton *button = dialog.findChild<QDialogButtonBox *>()->button(which);
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickTab(CSettingsDlg &dialog, int index)
{
    QTabBar *tabs = dialog.Tabs()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

void clickBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->iconSize().width() / 2 + 2, box->height() / 2));
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { store().clear(); }

    void emptySettingsStartUnchecked()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        runSettings(app, [](CSettingsDlg &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
            QCOMPARE(dialog.Tabs()->tabText(1), QStringLiteral("Display"));
            QVERIFY(!dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply));
            auto *parser = qobject_cast<CParserSettingsPage *>(dialog.GetPage(0));
            QCOMPARE(parser->ValidateBox()->text(), QStringLiteral("Validate Documents On Load"));
            QCOMPARE(parser->ResolveBox()->text(), QStringLiteral("Resolve Externals"));
            QVERIFY(!parser->ValidateBox()->isChecked());
            QVERIFY(!parser->ResolveBox()->isChecked());
            clickTab(dialog, 1);
            auto *display = qobject_cast<CDisplaySettingsPage *>(dialog.GetPage(1));
            QCOMPARE(display->FullPathBox()->text(), QStringLiteral("Display full path on window title"));
            QVERIFY(!display->FullPathBox()->isChecked());
            press(dialog, QDialogButtonBox::Cancel);
        });
        QVERIFY(store().allKeys().isEmpty());
    }

    void okWritesOnlyTheTabsShownAndCancelNothing()
    {
        // Only 1 counts as on; a value the dialog never showed is not rewritten.
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("displayFullPath"), 7);
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("resolveExternals"), 1);
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        runSettings(app, [](CSettingsDlg &dialog) {
            auto *parser = qobject_cast<CParserSettingsPage *>(dialog.GetPage(0));
            QVERIFY(parser->ResolveBox()->isChecked());
            QVERIFY(!dialog.GetPage(1)->IsCreated());
            clickBox(parser->ValidateBox());
            QVERIFY(parser->ValidateBox()->isChecked());
            press(dialog, QDialogButtonBox::Ok);
        });
        QCOMPARE(store().value(QStringLiteral("Settings/validateOnParse")).toInt(), 1);
        QCOMPARE(store().value(QStringLiteral("Settings/resolveExternals")).toInt(), 1);
        QCOMPARE(store().value(QStringLiteral("Settings/displayFullPath")).toInt(), 7);

        runSettings(app, [](CSettingsDlg &dialog) {
            clickBox(qobject_cast<CParserSettingsPage *>(dialog.GetPage(0))->ValidateBox());
            clickTab(dialog, 1);
            auto *display = qobject_cast<CDisplaySettingsPage *>(dialog.GetPage(1));
            QVERIFY(!display->FullPathBox()->isChecked());
            clickBox(display->FullPathBox());
            press(dialog, QDialogButtonBox::Cancel);
        });
        QCOMPARE(store().value(QStringLiteral("Settings/validateOnParse")).toInt(), 1);
        QCOMPARE(store().value(QStringLiteral("Settings/displayFullPath")).toInt(), 7);

    }

    void switchesTakeEffectAtTheNextOpenAndTheNextTitle()
    {
        const QString invalid = m_dir.write(QStringLiteral("invalid.xml"), "<!DOCTYPE a [<!ELEMENT a EMPTY>]><a><b/></a>");
        MessageRecorder messages;
        CTreewrightApp app;
        QVERIFY(app.InitInstance({invalid}));
        CWorkSpaceDoc *document = app.MainFrame()->ActiveDocument();
        QCOMPARE(document->GetTitle(), QStringLiteral("invalid.xml"));
        runSettings(app, [](CSettingsDlg &dialog) {
            clickBox(qobject_cast<CParserSettingsPage *>(dialog.GetPage(0))->ValidateBox());
            clickTab(dialog, 1);
            clickBox(qobject_cast<CDisplaySettingsPage *>(dialog.GetPage(1))->FullPathBox());
            press(dialog, QDialogButtonBox::Ok);
        });
        // Open windows keep their documents and titles until they are next set.
        QCOMPARE(messages.count(), 0);
        QCOMPARE(document->GetTitle(), QStringLiteral("invalid.xml"));
        document->SetTitle(QStringLiteral("invalid.xml"));
        QCOMPARE(document->GetTitle(), QFileInfo(invalid).absoluteFilePath());
        CWorkSpaceDoc again;
        QVERIFY(!again.OnOpenDocument(invalid));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
