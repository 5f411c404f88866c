#include "mainframe.h"

#include "imagemenu.h"
#include "settingsdlg.h"
#include "treewrightapp.h"
#include "document/workspacedoc.h"
#include "filebrowser/filebrowserbar.h"
#include "find/documenttools.h"
#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "framework/recentfilelist.h"
#include "ftp/ftpconnectdlg.h"
#include "ftp/ftpopendlg.h"
#include "panes/modaldialogrunner.h"
#include "panes/childframe.h"
#include "panes/modaldialogrunner.h"
#include "panes/sourceprinter.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"
#include "resources/stringtable.h"
#include "resources/toolbarresource.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString EditMenuTitle = QStringLiteral("&Edit");

QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

// A menu text shows "&" as a mnemonic mark; a file name keeps its own.
QString menuEscaped(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

CMainFrame::CMainFrame(CTreewrightApp *app, QWidget *parent)
    : QMainWindow(parent), m_app(app), m_commands(new CCommandManager(this)), m_mdiArea(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MainFrame"));
    setCentralWidget(m_mdiArea);
    resize(900, 650);
    m_commands->SetRoute([this] { return CommandRoute(); });
    // Submenus and context menus show the commands' pictures too.
    m_commands->SetMenuFactory(&CImageMenu::Create);
    CreateToolBar();
    CreateStatusBar();
    CreateFileBrowser();
    // Find and Validate, with their result docks; after the document windows on the route.
    m_documentTools = new CDocumentTools(this, [this] { return ActiveDocument(); },
                                         [this](CWorkSpaceDoc *document) { return FrameOf(document); });
    RegisterCommands();
    setAcceptDrops(true);

    ShowMenuBar(BuildDefaultMenu());
    m_commands->SetAcceleratorTable(this, 128);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        // A document window that loses the activation shows the tree's edit commands again.
        FillEditMenu(175);
        UpdateTitle();
        m_commands->RequestUpdate();
    });
    UpdateTitle();
    m_commands->UpdateAll();
}

CMainFrame::~CMainFrame()
{
    // The work area still activates windows and changes their states while it is torn down; this
    // frame is gone by then.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    for (QMdiSubWindow *window : m_mdiArea->subWindowList())
        disconnect(window, nullptr, this, nullptr);
    m_commands->SetRoute({});
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("MainToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    for (int id : ToolbarButtons(128)) {
        if (id == ID_SEPARATOR)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(m_commands->Action(id));
    }
    // The view button's arrow opens the list-view modes; the chosen mode travels the route.
    auto *views = new CImageMenu(this);
    views->LoadToolbars({128, 173});
    m_commands->FillMenu(views, MenuResource(130).first().items);
    if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(m_commands->Action(ID_VIEW_NODE_TOOL)))) {
        button->setMenu(views);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    // The file-browser button stays pressed while the browser is shown.
    m_commands->Action(ID_VIEW_FILE_BROWSER)->setCheckable(true);
}

void CMainFrame::CreateStatusBar()
{
    // One pane: a command's prompt while the pointer is on it, "Ready" otherwise.
    m_idleText = new QLabel(LoadResString(IDS_IDLE_MESSAGE), this);
    statusBar()->addWidget(m_idleText, 1);
}

void CMainFrame::CreateFileBrowser()
{
    // Docked on the left and hidden until its command shows it.
    m_fileBrowser = new CFileBrowserBar(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_fileBrowser);
    m_fileBrowser->hide();
    m_fileBrowserVisible = false;
    // Its close button runs the same command as the toolbar button, so both stay in step.
    connect(m_fileBrowser, &CResizableDockBar::closeRequested, this,
            [this] { m_commands->Execute(ID_VIEW_FILE_BROWSER); });
    connect(m_fileBrowser, &CFileBrowserBar::openDocumentRequested, this,
            [this](const QString &path) { m_app->OpenDocumentFile(path); });
}

void CMainFrame::ToggleFileBrowser()
{
    m_fileBrowserVisible = !m_fileBrowserVisible;
    m_fileBrowser->setVisible(m_fileBrowserVisible);
}

QString CMainFrame::StatusText() const
{
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? m_idleText->text() : message;
}

void CMainFrame::RegisterCommands()
{
    auto hasDocument = [this](CCmdUI *ui) { ui->Enable(ActiveDocument() != nullptr); };
    AddCommand(ID_FILE_SAVE, [this] {
        if (CWorkSpaceDoc *document = ActiveDocument())
            m_app->SaveDocument(document);
    }, hasDocument);
    AddCommand(ID_FILE_SAVE_AS, [this] {
        if (CWorkSpaceDoc *document = ActiveDocument())
            m_app->SaveDocumentAs(document);
    }, hasDocument);
    AddCommand(ID_FILE_PRINT, [this] { PrintActiveDocument(); }, hasDocument);
    AddCommand(ID_FILE_PRINT_PREVIEW, [this] { PreviewActiveDocument(); }, hasDocument);
    AddCommand(ID_FILE_PRINT_SETUP, [this] {
        QPageSetupDialog dialog(Printer(), this);
        dialog.exec();
    });
    AddCommand(ID_FILE_SETTINGS, [] {
        CSettingsDlg dialog(QStringLiteral("Settings"));
        RunModalDialog(dialog);
    });
    AddCommand(ID_WINDOW_CASCADE, [this] { m_mdiArea->cascadeSubWindows(); }, hasDocument);
    AddCommand(ID_WINDOW_TILE_HORZ, [this] { m_mdiArea->tileSubWindows(); }, hasDocument);
    AddCommand(ID_WINDOW_ARRANGE, [this] {
        // Minimized windows are lined up along the bottom of the work area.
        int x = 0;
        for (QMdiSubWindow *window : m_mdiArea->subWindowList()) {
            if (!window->isMinimized())
                continue;
            window->move(x, m_mdiArea->viewport()->height() - window->height());
            x += window->width();
        }
    }, hasDocument);
    AddCommand(ID_FILE_OPEN_FTP, [this] { OnFileOpenFtp(); });
    AddCommand(ID_VIEW_TOOLBAR, [this] { m_toolBar->setVisible(!m_toolBar->isVisible()); },
               [this](CCmdUI *ui) { ui->SetCheck(m_toolBar->isVisible()); });
    AddCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
               [this](CCmdUI *ui) { ui->SetCheck(statusBar()->isVisible()); });
    AddCommand(ID_VIEW_FILE_BROWSER, [this] { ToggleFileBrowser(); },
               [this](CCmdUI *ui) { ui->SetCheck(m_fileBrowserVisible); });
}

QList<CCmdTarget *> CMainFrame::CommandRoute()
{
    QList<CCmdTarget *> route;
    if (CChildFrame *frame = ActiveChildFrame())
        route = frame->CommandRoute();
    route.append(m_documentTools);
    route.append(this);
    route.append(m_app);
    return route;
}

QList<QMenu *> CMainFrame::BuildMenuBar(int resourceId)
{
    QList<QMenu *> menus;
    for (const MenuItemResource &popup : MenuResource(resourceId)) {
        auto *menu = new CImageMenu(popup.text, this);
        menu->LoadToolbars({128, 173});
        m_commands->FillMenu(menu, popup.items);
        menus.append(menu);
    }
    // Filled after the route's update, so the recent files and windows replace what it set.
    connect(menus.first(), &QMenu::aboutToShow, this, [this, file = menus.first()] { UpdateRecentFileMenu(file); });
    for (QMenu *menu : std::as_const(menus)) {
        if (menu->title() == QStringLiteral("&Window"))
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateWindowMenu(menu); });
    }
    return menus;
}

const QList<QMenu *> &CMainFrame::BuildDefaultMenu()
{
    if (m_defaultMenu.isEmpty())
        m_defaultMenu = BuildMenuBar(128);
    return m_defaultMenu;
}

const QList<QMenu *> &CMainFrame::BuildDocumentMenu()
{
    if (m_documentMenu.isEmpty())
        m_documentMenu = BuildMenuBar(131);
    return m_documentMenu;
}

void CMainFrame::ShowMenuBar(const QList<QMenu *> &menus)
{
    if (MenuBarMenus() == menus)
        return;
    menuBar()->clear();
    for (QMenu *menu : menus)
        menuBar()->addMenu(menu);
}

QList<QMenu *> CMainFrame::MenuBarMenus() const
{
    QList<QMenu *> menus;
    for (QAction *action : menuBar()->actions()) {
        if (action->menu())
            menus.append(action->menu());
    }
    return menus;
}

void CMainFrame::UpdateMenuBar()
{
    // The document menu and the document accelerators from the first open document on.
    const bool anyDocument = !m_app->Documents().isEmpty();
    ShowMenuBar(anyDocument ? BuildDocumentMenu() : BuildDefaultMenu());
    const int table = anyDocument ? 131 : 128;
    if (m_commands->AcceleratorTable() != table)
        m_commands->SetAcceleratorTable(this, table);
    m_commands->RequestUpdate();
}

QMenu *CMainFrame::EditMenu()
{
    const QList<QMenu *> &menus = BuildDocumentMenu();
    // The last popup of that name, not counting the first ("&File").
    for (qsizetype i = menus.size() - 1; i >= 1; --i) {
        if (menus.at(i)->title() == EditMenuTitle)
            return menus.at(i);
    }
    return nullptr;
}

void CMainFrame::OnEditMenuSwitch(int menuResource)
{
    // A pane outside the document windows (the file browser) switches the active window's menu.
    if (CChildFrame *frame = ActiveChildFrame())
        frame->OnEditMenuSwitch(menuResource);
}

void CMainFrame::FillEditMenu(int menuResource)
{
    QMenu *edit = EditMenu();
    const QList<MenuItemResource> &popups = MenuResource(menuResource);
    if (!edit || popups.isEmpty())
        return;
    for (QAction *action : edit->actions()) {
        if (action->menu() && action->menu()->parent() == edit)
            action->menu()->deleteLater();
    }
    edit->clear();
    m_commands->AddMenuItems(edit, popups.first().items);
}

void CMainFrame::UpdateRecentFileMenu(QMenu *fileMenu)
{
    qDeleteAll(m_recentFileItems);
    m_recentFileItems.clear();
    QAction *placeholder = m_commands->Action(ID_FILE_MRU_FILE1);
    const QStringList files = m_app->RecentFiles()->Files();
    // With no recent file the greyed "Recent File" item stands in their place.
    placeholder->setVisible(files.isEmpty());
    placeholder->setEnabled(false);
    for (int i = 0; i < files.size() && i < 4; ++i) {
        const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(menuEscaped(QDir::toNativeSeparators(files.at(i))));
        QAction *item = m_commands->CreateItemAction(ID_FILE_MRU_FILE1 + i, text, fileMenu);
        fileMenu->insertAction(placeholder, item);
        m_recentFileItems.append(item);
    }
}

void CMainFrame::UpdateWindowMenu(QMenu *windowMenu)
{
    qDeleteAll(m_windowItems);
    m_windowItems.clear();
    const QList<QMdiSubWindow *> windows = m_mdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowItems.append(windowMenu->addSeparator());
    int number = 1;
    for (QMdiSubWindow *window : windows) {
        QAction *item = windowMenu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(menuEscaped(window->windowTitle())));
        item->setCheckable(true);
        item->setChecked(window == m_mdiArea->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, window] { m_mdiArea->setActiveSubWindow(window); });
        m_windowItems.append(item);
    }
}

QPrinter *CMainFrame::Printer()
{
    // One printer for the session, so the choices of Print Setup hold for later jobs.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

CChildFrame *CMainFrame::FrameOf(CWorkSpaceDoc *document) const
{
    QMdiSubWindow *window = WindowOf(document);
    return window ? qobject_cast<CChildFrame *>(window->widget()) : nullptr;
}

bool CMainFrame::CommitPendingEdits(CWorkSpaceDoc *document)
{
    CChildFrame *frame = FrameOf(document);
    return !frame || frame->CommitPendingEdits();
}

void CMainFrame::DiscardPendingEdits(CWorkSpaceDoc *document)
{
    if (CChildFrame *frame = FrameOf(document))
        frame->DiscardPendingEdits();
}

void CMainFrame::PrintActiveDocument()
{
    CWorkSpaceDoc *document = ActiveDocument();
    if (document && !CommitPendingEdits(document))
        return;
    QPrintDialog dialog(Printer(), this);
    if (document && dialog.exec() == QDialog::Accepted)
        CSourcePrinter::PrintDocument(document, Printer());
}

void CMainFrame::PreviewActiveDocument()
{
    CWorkSpaceDoc *document = ActiveDocument();
    if (!document || !CommitPendingEdits(document))
        return;
    // The preview shows every page, whatever range the last print named.
    Printer()->setPrintRange(QPrinter::AllPages);
    QPrintPreviewDialog preview(Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [document](QPrinter *printer) { CSourcePrinter::PrintDocument(document, printer); });
    preview.exec();
}

void CMainFrame::CreateDocumentWindow(CWorkSpaceDoc *document)
{
    auto *frame = new CChildFrame(document);
    QMdiSubWindow *window = m_mdiArea->addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(document->GetTitle());
    window->installEventFilter(this);
    connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateTitle(); });
    connect(document, &CDocumentBase::titleChanged, window, [this, window](const QString &title) {
        window->setWindowTitle(title);
        UpdateTitle();
    });
    connect(document, &CDocumentBase::modifiedChanged, m_commands, &CCommandManager::RequestUpdate);
    frame->OnInitialUpdate();
    // The first document fills the work area; later ones open beside it as they do.
    if (m_mdiArea->subWindowList().size() == 1)
        window->showMaximized();
    else
        window->show();
    m_mdiArea->setActiveSubWindow(window);
    UpdateMenuBar();
    UpdateTitle();
}

QMdiSubWindow *CMainFrame::WindowOf(CWorkSpaceDoc *document) const
{
    for (QMdiSubWindow *window : m_mdiArea->subWindowList()) {
        auto *frame = qobject_cast<CChildFrame *>(window->widget());
        if (frame && frame->GetDocument() == document)
            return window;
    }
    return nullptr;
}

void CMainFrame::ActivateDocumentWindow(CWorkSpaceDoc *document)
{
    if (QMdiSubWindow *window = WindowOf(document))
        m_mdiArea->setActiveSubWindow(window);
}

CChildFrame *CMainFrame::ActiveChildFrame() const
{
    QMdiSubWindow *window = m_mdiArea->activeSubWindow();
    // While the main window itself is inactive the work area names no active window; the
    // current one is then the top of the stack.
    if (!window && !m_mdiArea->subWindowList().isEmpty())
        window = m_mdiArea->subWindowList(QMdiArea::StackingOrder).last();
    return window ? qobject_cast<CChildFrame *>(window->widget()) : nullptr;
}

CWorkSpaceDoc *CMainFrame::ActiveDocument() const
{
    CChildFrame *frame = ActiveChildFrame();
    return frame ? frame->GetDocument() : nullptr;
}

void CMainFrame::UpdateTitle()
{
    const QString app = LoadResString(IDS_APP_TITLE);
    CWorkSpaceDoc *document = ActiveDocument();
    const QString title = document ? app + QStringLiteral(" - ") + document->GetTitle() : app;
    setWindowTitle(title);
    // Where a maximised document window adds " - [name]" to the title itself, the name stands
    // there once.
    if (windowTitle() != title)
        setWindowTitle(app);
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    auto *window = qobject_cast<QMdiSubWindow *>(watched);
    if (window && event->type() == QEvent::Close) {
        auto *frame = qobject_cast<CChildFrame *>(window->widget());
        if (frame) {
            CWorkSpaceDoc *document = frame->GetDocument();
            if (!m_app->SaveModified(document)) {
                event->ignore();
                return true;
            }
            // The window goes first (it is a view of the document), then the document.
            window->removeEventFilter(this);
            delete frame;
            m_app->DocumentClosed(document);
            UpdateMenuBar();
            UpdateTitle();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (!m_app->SaveAllModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    for (const QString &file : files)
        m_app->OpenDocumentFile(file);
}

void CMainFrame::OnFileOpenFtp()
{
    CFtpConnectDlg connection(this);
    if (RunModalDialog(connection) != QDialog::Accepted)
        return;
    // The open dialog holds the login; it ends when the dialog goes, after the document opened.
    CFtpOpenDlg open(this);
    open.SetLogin(connection.m_strServer, connection.m_strUserName, connection.m_strPassword);
    if (!open.OnInitDialog() || RunModalDialog(open) != QDialog::Accepted)
        return;
    if (CWorkSpaceDoc *document = m_app->OpenDocumentFile(open.LocalPath()))
        document->SetFtpOrigin(open.OriginServer(), connection.m_strUserName, connection.m_strPassword, open.RemotePath(),
                               open.Port());
}
