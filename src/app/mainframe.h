#pragma once

#include "framework/cmdtarget.h"
#include "framework/panefocus.h"

#include <QList>
#include <QMainWindow>

#include <memory>

class CChildFrame;
class CDocumentTools;
class CFileBrowserBar;
class CCommandManager;
class CTreewrightApp;
class CWorkSpaceDoc;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QToolBar;

// The main window: the multiple-document area with one window per open document, the main
// toolbar, the one-pane status bar and the two menu bars (128 without a document, 131 with one).
// It owns the command route and handles the commands of the window itself.
class CMainFrame : public QMainWindow, public CCmdTarget, public CEditMenuSwitchTarget, public CEditMenuHost
{
    Q_OBJECT

public:
    explicit CMainFrame(CTreewrightApp *app, QWidget *parent = nullptr);
    ~CMainFrame() override;

    CCommandManager *Commands() const { return m_commands; }
    QMdiArea *MdiArea() const { return m_mdiArea; }
    QToolBar *MainToolBar() const { return m_toolBar; }
    CFileBrowserBar *FileBrowser() const { return m_fileBrowser; }
    CDocumentTools *DocumentTools() const { return m_documentTools; }
    void CreateDocumentWindow(CWorkSpaceDoc *document);
    void ActivateDocumentWindow(CWorkSpaceDoc *document);
    CWorkSpaceDoc *ActiveDocument() const;
    CChildFrame *ActiveChildFrame() const;
    QMdiSubWindow *WindowOf(CWorkSpaceDoc *document) const;
    CChildFrame *FrameOf(CWorkSpaceDoc *document) const;
    QPrinter *Printer();
    // Hands the pending edits of the document's window to the document; false when refused.
    bool CommitPendingEdits(CWorkSpaceDoc *document);
    void DiscardPendingEdits(CWorkSpaceDoc *document);

    // The menu bars, made on first request: resource 128 shown while no document is open, 131
    // while one is.
    const QList<QMenu *> &BuildDefaultMenu();
    const QList<QMenu *> &BuildDocumentMenu();
    // The popups the menu bar shows now.
    QList<QMenu *> MenuBarMenus() const;
    // The "&Edit" popup of the document menu.
    QMenu *EditMenu();

    // The text the status bar shows: a command's prompt, or "Ready".
    QString StatusText() const;

    void OnEditMenuSwitch(int menuResource) override;
    void FillEditMenu(int menuResource) override;

    // Open FTP: asks for the login, lets the user pick a remote file and opens its local copy as
    // a document that uploads itself on every save.
    void OnFileOpenFtp();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateToolBar();
    void CreateStatusBar();
    void CreateFileBrowser();
    void ToggleFileBrowser();
    void RegisterCommands();
    QList<CCmdTarget *> CommandRoute();
    void ShowMenuBar(const QList<QMenu *> &menus);
    QList<QMenu *> BuildMenuBar(int resourceId);
    void UpdateMenuBar();
    void UpdateRecentFileMenu(QMenu *fileMenu);
    void UpdateWindowMenu(QMenu *windowMenu);
    void UpdateTitle();
    void PrintActiveDocument();
    void PreviewActiveDocument();

    CTreewrightApp *m_app;
    CCommandManager *m_commands;
    QMdiArea *m_mdiArea;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_idleText = nullptr;
    CFileBrowserBar *m_fileBrowser = nullptr;
    CDocumentTools *m_documentTools = nullptr;
    // Whether the file browser is shown through its command (the bar starts hidden).
    bool m_fileBrowserVisible = false;
    QList<QMenu *> m_defaultMenu;
    QList<QMenu *> m_documentMenu;
    QList<QAction *> m_recentFileItems;
    QList<QAction *> m_windowItems;
    std::unique_ptr<QPrinter> m_printer;
};
