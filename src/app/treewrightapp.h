#pragma once

#include "splashwnd.h"
#include "framework/cmdtarget.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class CMainFrame;
class CParserCheck;
class CRecentFileList;
class CWorkSpaceDoc;

// The application: starts up, opens and creates documents, keeps the recent-file list, and
// saves and closes documents on the user's behalf. Last on the command route.
class CTreewrightApp : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    CTreewrightApp();
    ~CTreewrightApp() override;
    static CTreewrightApp *instance();

    // Start-up; false ends the program (the parser cannot be used, or a file on the command line
    // does not open). `showSplash` shows the start-up picture over the main window.
    bool InitInstance(const QStringList &arguments, bool showSplash = false);
    int ExitInstance();

    CMainFrame *MainFrame() const { return m_mainFrame; }
    CRecentFileList *RecentFiles() const { return m_recentFiles; }
    // The start-up check of the XML parser, to be set up before InitInstance.
    CParserCheck &ParserCheck() { return *m_parserCheck; }
    // The start-up picture while it shows; null before and after.
    CSplashWnd *Splash() const { return m_splash; }
    const QList<CWorkSpaceDoc *> &Documents() const { return m_documents; }

    CWorkSpaceDoc *OnFileNew();
    void OnFileOpen();
    // Opens `path` as a new document window; an already open file is brought to the front.
    // Returns null (after reporting) when it does not open.
    CWorkSpaceDoc *OpenDocumentFile(const QString &path);
    // Save, or Save As for a document that has no file yet. True when the document was written.
    bool SaveDocument(CWorkSpaceDoc *document);
    bool SaveDocumentAs(CWorkSpaceDoc *document);
    // Asks whether to save a changed document: true to go on closing, false when cancelled.
    bool SaveModified(CWorkSpaceDoc *document);
    bool SaveAllModified();
    // Called by the document's window when it closes.
    void DocumentClosed(CWorkSpaceDoc *document);

    // Tells of every open file another program changed or removed since it was read or saved:
    // offers to reload a changed one (warning when that drops unsaved edits) and keeps the
    // document of a removed one, marked changed so that it is saved again. Runs whenever the
    // main window is activated.
    void CheckDiskChanges();

    void OnAppAbout();
    void OnHelpOnline();

    static QString FileFilter();
    static QString HelpAddress();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RegisterCommands();
    void OpenRecentFile(int index);
    void AddDocumentWindow(CWorkSpaceDoc *document);

    CMainFrame *m_mainFrame = nullptr;
    CRecentFileList *m_recentFiles = nullptr;
    std::unique_ptr<CParserCheck> m_parserCheck;
    QPointer<CSplashWnd> m_splash;
    QList<CWorkSpaceDoc *> m_documents;
    bool m_checkingDisk = false;
};
