#include "treewrightapp.h"

#include "aboutdlg.h"
#include "busyindicator.h"
#include "framework/backgroundtask.h"
#include "mainframe.h"
#include "parsercheck.h"
#include "splashwnd.h"
#include "document/workspacedoc.h"
#include "framework/cmdui.h"
#include "framework/filedialogs.h"
#include "framework/messagehelper.h"
#include "framework/recentfilelist.h"
#include "resources/commandids.h"
#include "resources/stringtable.h"

#include <QDesktopServices>
#include <QEvent>
#include <QTimer>
#include <QFileInfo>
#include <QUrl>

namespace {
CTreewrightApp *theApp = nullptr;
}

CTreewrightApp::CTreewrightApp() : m_parserCheck(std::make_unique<CParserCheck>())
{
    theApp = this;
    RegisterCommands();
}

void CTreewrightApp::RegisterCommands()
{
    AddCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    AddCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    AddCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, [this](int id) { OpenRecentFile(id - ID_FILE_MRU_FILE1); },
                    [this](int id, CCmdUI *ui) {
                        ui->Enable(m_recentFiles && id - ID_FILE_MRU_FILE1 < m_recentFiles->Files().size());
                    });
    AddCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    AddCommand(ID_HELP_ONLINE, [this] { OnHelpOnline(); });
    AddCommand(ID_APP_EXIT, [this] {
        if (m_mainFrame)
            m_mainFrame->close();
    });
}

void CTreewrightApp::OpenRecentFile(int index)
{
    const QString path = m_recentFiles->Files().value(index);
    if (path.isEmpty())
        return;
    // A file that no longer opens leaves the list, so the menu does not offer it again.
    if (!OpenDocumentFile(path))
        m_recentFiles->Remove(path);
}

CTreewrightApp::~CTreewrightApp()
{
    delete m_splash.data();
    delete m_mainFrame;
    qDeleteAll(m_documents);
    if (theApp == this)
        theApp = nullptr;
}

CTreewrightApp *CTreewrightApp::instance()
{
    return theApp;
}

QString CTreewrightApp::FileFilter()
{
    // The template string: title, document name, new-file name, filter name, extension, ...
    return LoadResString(131).split(QLatin1Char('\n')).value(3);
}

QString CTreewrightApp::HelpAddress()
{
    return QStringLiteral("https://treewright.org/projects/arborpad/v1.0/onlinehelp/");
}

bool CTreewrightApp::InitInstance(const QStringList &files, bool showSplash)
{
    // Nothing of the editor shows when the parser cannot be used.
    if (!m_parserCheck->Check())
        return false;

    m_recentFiles = new CRecentFileList(4, this);
    m_recentFiles->ReadList();

    m_mainFrame = new CMainFrame(this);
    m_mainFrame->installEventFilter(this);
    // The window shows first: the progress of a large file given to open, or the report of one
    // that does not open, stands over it instead of alone on the screen.
    m_mainFrame->show();
    m_mainFrame->activateWindow();

    if (files.isEmpty()) {
        if (!OnFileNew())
            return false;
    } else {
        for (const QString &file : files) {
            if (!OpenDocumentFile(file))
                return false;
        }
    }
    // The picture shows over the main window and its documents, and closes on its own.
    if (showSplash)
        m_splash = new CSplashWnd(m_mainFrame);
    return true;
}

int CTreewrightApp::ExitInstance()
{
    delete m_splash.data();
    return 0;
}

void CTreewrightApp::AddDocumentWindow(CWorkSpaceDoc *document)
{
    m_documents.append(document);
    m_mainFrame->CreateDocumentWindow(document);
}

CWorkSpaceDoc *CTreewrightApp::OnFileNew()
{
    auto *document = new CWorkSpaceDoc;
    if (!document->OnNewDocument()) {
        delete document;
        return nullptr;
    }
    AddDocumentWindow(document);
    return document;
}

void CTreewrightApp::OnFileOpen()
{
    const QString path = FileDialogs::GetOpenFileName(m_mainFrame, FileFilter());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

CWorkSpaceDoc *CTreewrightApp::OpenDocumentFile(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (CWorkSpaceDoc *open : std::as_const(m_documents)) {
        if (open->GetPathName() == absolute) {
            m_mainFrame->ActivateDocumentWindow(open);
            return open;
        }
    }
    CBusyIndicator busy(QStringLiteral("Opening %1...").arg(QFileInfo(absolute).fileName()), QFileInfo(absolute).size());
    auto *document = new CWorkSpaceDoc;
    if (!document->OnOpenDocument(absolute)) {
        delete document;
        return nullptr;
    }
    m_recentFiles->Add(absolute);
    AddDocumentWindow(document);
    return document;
}

bool CTreewrightApp::SaveDocument(CWorkSpaceDoc *document)
{
    // What is saved is what the user sees: text typed into the Source page goes in first.
    if (!m_mainFrame->CommitPendingEdits(document))
        return false;
    if (document->IsUntitled())
        return SaveDocumentAs(document);
    CBusyIndicator busy(QStringLiteral("Saving %1...").arg(document->GetTitle()), QFileInfo(document->GetPathName()).size());
    return document->OnSaveDocument(document->GetPathName());
}

bool CTreewrightApp::SaveDocumentAs(CWorkSpaceDoc *document)
{
    if (!m_mainFrame->CommitPendingEdits(document))
        return false;
    const QString proposed = document->IsUntitled() ? QString::fromLatin1(CWorkSpaceDoc::NewDocumentName)
                                                    : document->GetPathName();
    const QString path = FileDialogs::GetSaveFileName(m_mainFrame, proposed, FileFilter());
    if (path.isEmpty())
        return false;
    CBusyIndicator busy(QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()), QFileInfo(document->GetPathName()).size());
    if (!document->OnSaveDocument(path))
        return false;
    m_recentFiles->Add(document->GetPathName());
    return true;
}

bool CTreewrightApp::SaveModified(CWorkSpaceDoc *document)
{
    // A typed text that does not parse is not lost unasked: the user keeps the window open to
    // mend it, or closes it and lets the text go.
    if (!m_mainFrame->CommitPendingEdits(document)) {
        const QString question = QStringLiteral("The source text of %1 could not be taken into the document. "
                                                "Close it anyway and discard that text?").arg(document->GetTitle());
        if (ShowMessageText(question, MB::YesNo | MB::IconQuestion) != IDAnswer::Yes)
            return false;
        m_mainFrame->DiscardPendingEdits(document);
    }
    if (!document->IsModified())
        return true;
    const QString name = document->IsUntitled() ? document->GetTitle() : document->GetPathName();
    switch (ShowMessageText(QStringLiteral("Save changes to %1?").arg(name), MB::YesNoCancel | MB::IconExclamation)) {
    case IDAnswer::Yes: return SaveDocument(document);
    case IDAnswer::No: return true;
    default: return false;
    }
}

bool CTreewrightApp::SaveAllModified()
{
    for (CWorkSpaceDoc *document : std::as_const(m_documents)) {
        if (!SaveModified(document))
            return false;
    }
    return true;
}

void CTreewrightApp::DocumentClosed(CWorkSpaceDoc *document)
{
    if (m_documents.removeAll(document) > 0)
        document->deleteLater();
}

bool CTreewrightApp::eventFilter(QObject *watched, QEvent *event)
{
    // After the activation is done: the question it may ask takes the activation again.
    if (watched == m_mainFrame && event->type() == QEvent::WindowActivate && !m_checkingDisk)
        QTimer::singleShot(0, this, [this] { CheckDiskChanges(); });
    return QObject::eventFilter(watched, event);
}

void CTreewrightApp::CheckDiskChanges()
{
    if (m_checkingDisk)
        return;
    if (CBackgroundTask::IsRunning()) {
        // A save in progress renames its file at the end: look once it is done.
        QTimer::singleShot(200, this, [this] { CheckDiskChanges(); });
        return;
    }
    m_checkingDisk = true;
    const QList<CWorkSpaceDoc *> documents = m_documents;
    for (CWorkSpaceDoc *document : documents) {
        if (!m_documents.contains(document))
            continue;
        const QString path = document->GetPathName();
        switch (document->CheckDiskChange()) {
        case CWorkSpaceDoc::DiskChange::None:
            break;
        case CWorkSpaceDoc::DiskChange::Deleted:
            document->AcceptDiskState();
            // Closing it now asks to save, which writes the file again.
            document->SetModifiedFlag(true);
            ShowMessageText(QStringLiteral("%1\n\nThis file has been deleted or moved by another program. "
                                           "The document stays open; save it to keep it.").arg(path),
                            MB::Ok | MB::IconExclamation);
            break;
        case CWorkSpaceDoc::DiskChange::Changed: {
            document->AcceptDiskState();
            const QString question = document->IsModified()
                ? QStringLiteral("%1\n\nThis file has been changed by another program.\n"
                                 "Reload it and lose the changes made here?").arg(path)
                : QStringLiteral("%1\n\nThis file has been changed by another program.\nReload it?").arg(path);
            if (ShowMessageText(question, MB::YesNo | MB::IconQuestion) == IDAnswer::Yes)
                document->ReloadFromDisk();
            break;
        }
        }
    }
    m_checkingDisk = false;
}

void CTreewrightApp::OnAppAbout()
{
    CAboutDlg dialog(m_mainFrame);
    dialog.exec();
}

void CTreewrightApp::OnHelpOnline()
{
    QDesktopServices::openUrl(QUrl(HelpAddress()));
}
