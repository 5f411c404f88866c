#include "mainframe.h"

#include "treewrightapp.h"
#include "document/workspacedoc.h"
#include "panes/childframe.h"
#include "panes/sourceprinter.h"
#include "resources/stringtable.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

CMainFrame::CMainFrame(CTreewrightApp *app, QWidget *parent)
    : QMainWindow(parent), m_app(app), m_mdiArea(new QMdiArea(this))
{
    setCentralWidget(m_mdiArea);
    resize(900, 650);
    BuildMenus();
    statusBar()->showMessage(LoadResString(57345));
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateTitle(); });
    UpdateTitle();
}

CMainFrame::~CMainFrame()
{
    // The work area still activates windows while it is torn down; this frame is gone by then.
    disconnect(m_mdiArea, nullptr, this, nullptr);
}

void CMainFrame::BuildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")), this, [this] { m_app->OnFileNew(); });
    file->addAction(QStringLiteral("&Open..."), QKeySequence(QStringLiteral("Ctrl+O")), this, [this] { m_app->OnFileOpen(); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")), this, [this] {
        if (CWorkSpaceDoc *doc = ActiveDocument())
            m_app->SaveDocument(doc);
    });
    file->addAction(QStringLiteral("Save &As..."), this, [this] {
        if (CWorkSpaceDoc *doc = ActiveDocument())
            m_app->SaveDocumentAs(doc);
    });
    file->addSeparator();
    file->addAction(QStringLiteral("&Print..."), QKeySequence(QStringLiteral("Ctrl+P")), this, [this] {
        CWorkSpaceDoc *doc = ActiveDocument();
        QPrintDialog dialog(Printer(), this);
        if (doc && dialog.exec() == QDialog::Accepted)
            CSourcePrinter::PrintDocument(doc, Printer());
    });
    file->addAction(QStringLiteral("Print Pre&view"), this, [this] {
        CWorkSpaceDoc *doc = ActiveDocument();
        if (!doc)
            return;
        QPrintPreviewDialog preview(Printer(), this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [doc](QPrinter *printer) { CSourcePrinter::PrintDocument(doc, printer); });
        preview.exec();
    });
    file->addAction(QStringLiteral("P&rint Setup..."), this, [this] {
        QPageSetupDialog dialog(Printer(), this);
        dialog.exec();
    });
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About Treewright..."), this, [this] { m_app->OnAppAbout(); });
    help->addAction(QStringLiteral("Online Help ..."), QKeySequence(QStringLiteral("F1")), this, [this] { m_app->OnHelpOnline(); });
}

QPrinter *CMainFrame::Printer()
{
    // One printer for the session, so the choices of Print Setup hold for later jobs.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

void CMainFrame::CreateDocumentWindow(CWorkSpaceDoc *document)
{
    auto *frame = new CChildFrame(document);
    QMdiSubWindow *window = m_mdiArea->addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(document->GetTitle());
    window->installEventFilter(this);
    connect(document, &CDocumentBase::titleChanged, window, [this, window](const QString &title) {
        window->setWindowTitle(title);
        UpdateTitle();
    });
    frame->OnInitialUpdate();
    // The first document fills the work area; later ones open beside it as they do.
    if (m_mdiArea->subWindowList().size() == 1)
        window->showMaximized();
    else
        window->show();
    m_mdiArea->setActiveSubWindow(window);
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

CWorkSpaceDoc *CMainFrame::ActiveDocument() const
{
    QMdiSubWindow *window = m_mdiArea->activeSubWindow();
    if (!window && !m_mdiArea->subWindowList().isEmpty())
        window = m_mdiArea->subWindowList().last();
    auto *frame = window ? qobject_cast<CChildFrame *>(window->widget()) : nullptr;
    return frame ? frame->GetDocument() : nullptr;
}

void CMainFrame::UpdateTitle()
{
    const QString app = LoadResString(57344);
    CWorkSpaceDoc *document = ActiveDocument();
    setWindowTitle(document ? app + QStringLiteral(" - ") + document->GetTitle() : app);
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
