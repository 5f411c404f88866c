#include "ftpopendlg.h"

#include "dialogunits.h"
#include "ftpfilelist.h"
#include "ftplocalcopy.h"
#include "ftptask.h"
#include "remotetrust.h"
#include "texteditorlauncher.h"
#include "toolbarhost.h"
#include "framework/messagehelper.h"
#include "resources/commandicon.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int IDC_OPEN = 1014;
constexpr int MaxPath = 259;

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

void fillMenu(QMenu *menu, const QList<MenuItemResource> &items, QList<QAction *> *actions)
{
    for (const MenuItemResource &item : items) {
        if (item.kind == MenuItemResource::Kind::Separator) {
            menu->addSeparator();
        } else if (item.kind == MenuItemResource::Kind::Popup) {
            fillMenu(menu->addMenu(item.text), item.items, actions);
        } else {
            QAction *action = menu->addAction(CommandIcon(item.id), item.text);
            action->setData(item.id);
            actions->append(action);
        }
    }
}

} // namespace

CFtpOpenDlg::CFtpOpenDlg(QWidget *parent)
    : CResizableDialog(parent),
      m_lookIn(new QComboBox(this)),
      m_toolBarHost(new CToolBarHost(this)),
      m_list(new CFtpFileList(this)),
      m_fileName(new QLineEdit(this)),
      m_open(new QPushButton(QStringLiteral("Open"), this)),
      m_fileType(new QComboBox(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(QStringLiteral("Open"));
    m_lookIn->setObjectName(QStringLiteral("lookIn"));
    m_list->setObjectName(QStringLiteral("list"));
    m_fileName->setObjectName(QStringLiteral("fileName"));
    m_open->setObjectName(QStringLiteral("open"));
    m_fileType->setObjectName(QStringLiteral("fileType"));
    m_open->setDefault(true);
    m_fileType->addItem(QStringLiteral("All Files (*.*)"));
    m_fileType->setCurrentIndex(0);

    auto *lookInLabel = new QLabel(QStringLiteral("Look in:"), this);
    auto *fileNameLabel = new QLabel(QStringLiteral("File Name:"), this);
    auto *fileTypeLabel = new QLabel(QStringLiteral("File Type:"), this);
    const CDialogUnits du(this);
    resize(du.Size(294, 148));
    lookInLabel->setGeometry(du.Rect(6, 4, 30, 10));
    m_lookIn->setGeometry(du.Rect(37, 2, 168, 14));
    m_toolBarHost->setGeometry(du.Rect(208, 1, 82, 16));
    m_list->setGeometry(du.Rect(3, 18, 287, 91));
    fileNameLabel->setGeometry(du.Rect(3, 116, 36, 8));
    m_fileName->setGeometry(du.Rect(41, 114, 183, 13));
    m_open->setGeometry(du.Rect(232, 113, 58, 14));
    fileTypeLabel->setGeometry(du.Rect(3, 131, 36, 8));
    m_fileType->setGeometry(du.Rect(41, 130, 184, 13));
    m_cancel->setGeometry(du.Rect(232, 129, 58, 14));

    CAnchorLayout &anchors = AnchorLayout();
    anchors.Register(lookInLabel, 7);
    anchors.Register(m_lookIn, 3);
    anchors.Register(m_toolBarHost, 6);
    anchors.Register(m_list, 15);
    anchors.Register(fileNameLabel, 9);
    anchors.Register(m_fileName, 11);
    anchors.Register(m_open, 10);
    anchors.Register(fileTypeLabel, 9);
    anchors.Register(m_fileType, 11);
    anchors.Register(m_cancel, 10);

    connect(m_open, &QPushButton::clicked, this, [this] { OnCommand(IDC_OPEN); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lookIn, &QComboBox::activated, this, &CFtpOpenDlg::OnLookIn);
    connect(m_toolBarHost, &CToolBarHost::command, this, &CFtpOpenDlg::OnCommand);
    connect(m_toolBarHost, &CToolBarHost::dropDown, this, &CFtpOpenDlg::OnViewMenu);
    connect(m_list, &CFtpFileList::rowClicked, this, &CFtpOpenDlg::OnClick);
    connect(m_list, &CFtpFileList::rowDoubleClicked, this, &CFtpOpenDlg::OnDoubleClick);
    connect(m_list, &CFtpFileList::contextMenuRequested, this, &CFtpOpenDlg::OnContextMenu);
    // The rename waits until the editor has closed: it talks to the server meanwhile.
    connect(m_list, &CFtpFileList::labelEdited, this, &CFtpOpenDlg::OnLabelEdited, Qt::QueuedConnection);
}

CFtpOpenDlg::~CFtpOpenDlg()
{
    m_client.Close();
}

void CFtpOpenDlg::SetLogin(const QString &server, const QString &user, const QString &password, quint16 port)
{
    m_server = server;
    m_user = user;
    m_password = password;
    CFtpClient::Scheme scheme = CFtpClient::Ftp;
    quint16 given = port;
    bool portGiven = false;
    if (!CFtpClient::ParseServer(server, &scheme, &m_host, &given, &portGiven))
        m_host = server; // the login then fails and says why
    m_port = portGiven || port == 21 ? given : port;
    m_client.SetScheme(scheme);
}

bool CFtpOpenDlg::RemoteCall(const QString &label, const std::function<bool()> &work)
{
    return CFtpTask::Run(this, &m_client, label, work);
}

bool CFtpOpenDlg::OnInitDialog()
{
    if (!CRemoteTrust::Connect(this, &m_client, m_host, m_port, m_user, m_password)) {
        ShowMessage(61460, m_client.LastError().left(1024), MB::IconStop);
        setResult(0);
        return false;
    }
    m_home = m_client.GetCurrentDirectory();
    m_lookIn->addItem(QStringLiteral("/ (") + m_server + QLatin1Char(')'));
    if (!m_home.contains(QLatin1Char('/'))) {
        ShowMessage(61461, QString(), MB::IconInformation);
        return true;
    }
    const qsizetype slash = m_home.lastIndexOf(QLatin1Char('/'));
    m_lookIn->addItem(QStringLiteral("    ") + (slash == 0 ? QStringLiteral("/") : m_home.mid(slash + 1)));
    m_lookIn->setCurrentIndex(1);
    Browse(m_home);
    FinishInitialLayout();
    return true;
}

bool CFtpOpenDlg::FetchListing(const QString &directory, QList<CFtpEntry> *entries)
{
    return RemoteCall(QStringLiteral("Reading ") + directory + QStringLiteral("..."),
                      [this, directory, entries] { return m_client.List(directory, entries); });
}

bool CFtpOpenDlg::Browse(const QString &path)
{
    // The new listing is read before anything is cleared: a directory that cannot be entered
    // leaves the list and Look-in as they were.
    const QString target = m_client.AbsolutePath(path);
    QList<CFtpEntry> entries;
    const bool entered = RemoteCall(QStringLiteral("Reading ") + target + QStringLiteral("..."), [&] {
        return m_client.List(target, &entries) && m_client.SetCurrentDirectory(target);
    });
    if (!entered) {
        ShowMessage(61463, QString(), MB::IconInformation);
        return false;
    }
    const int count = m_lookIn->count();
    if (count == 2 || count == 3) {
        if (target != QLatin1String("/") && target != m_home) {
            if (count == 2)
                m_lookIn->addItem(path, target);
            else {
                m_lookIn->setItemText(2, path);
                m_lookIn->setItemData(2, target);
            }
            m_lookIn->setCurrentIndex(2);
        }
        if (target == QLatin1String("/"))
            m_lookIn->setCurrentIndex(0);
        if (target == m_home)
            m_lookIn->setCurrentIndex(1);
    }

    m_entries.clear();
    m_list->setUpdatesEnabled(false);
    m_list->Clear();
    for (const CFtpEntry &entry : std::as_const(entries)) {
        if (entry.isDirectory) {
            m_list->AddRow(entry.name, true, QString(), QString());
            m_entries.append(entry);
        }
    }
    const QLocale locale;
    for (const CFtpEntry &entry : std::as_const(entries)) {
        if (entry.isDirectory)
            continue;
        const QString size = QString::number(qMax<qint64>(entry.size, 0) / 1000 + 1) + QStringLiteral(" KB");
        const QString modified = entry.modified.isValid()
            ? locale.toString(entry.modified.toLocalTime(), QLocale::ShortFormat) : QString();
        m_list->AddRow(entry.name, false, size, modified);
        m_entries.append(entry);
    }
    m_list->setUpdatesEnabled(true);
    return true;
}

bool CFtpOpenDlg::IsDirectory(const QString &name)
{
    for (const CFtpEntry &entry : std::as_const(m_entries)) {
        if (entry.isDirectory && entry.name == name) {
            m_lastExamined = entry.FullPath();
            return true;
        }
    }
    return false;
}

QString CFtpOpenDlg::SelectedName() const
{
    const int row = m_list->SelectedRow();
    return row < 0 ? QString() : m_list->RowName(row);
}

QString CFtpOpenDlg::ChildPath(const QString &name) const
{
    const QString cwd = m_client.GetCurrentDirectory();
    return cwd.endsWith(QLatin1Char('/')) ? cwd + name : cwd + QLatin1Char('/') + name;
}

int CFtpOpenDlg::ContextPopup() const
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return 2;
    const QString name = m_list->RowName(row);
    for (const CFtpEntry &entry : m_entries) {
        if (entry.isDirectory && entry.name == name)
            return 1;
    }
    return 0;
}

void CFtpOpenDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_OPEN: OnOpen(); break;
    case ID_FILE_OPEN:
        if (m_list->SelectedRow() >= 0) {
            m_fileName->setText(SelectedName());
            OnOpen();
        }
        break;
    case ID_FTP_OPEN_DIRECTORY:
        if (m_list->SelectedRow() >= 0 && IsDirectory(SelectedName()))
            Browse(SelectedName());
        break;
    case ID_FTP_DELETE: OnDelete(); break;
    case ID_FTP_RENAME: OnRename(); break;
    case ID_EDIT_PROPERTIES:
    case ID_FTP_PROPERTIES: OnProperties(); break;
    case ID_FTP_NEW_DIRECTORY: OnNewDirectory(); break;
    case ID_FTP_UP_LEVEL: OnUpOneLevel(); break;
    case ID_FTP_OPEN_WITH: OnOpenWith(false); break;
    case ID_FTP_SEND_TO_NOTEPAD: OnOpenWith(true); break;
    default:
        if (id >= ID_VIEW_SMALLICON && id <= ID_VIEW_BYNAME)
            m_list->SetViewMode(id);
        break;
    }
}

bool CFtpOpenDlg::Fetch(const CFtpEntry &entry, CFtpLocalCopy *copy)
{
    if (!copy->Create(entry.name))
        return false;
    const QString remote = entry.FullPath();
    const bool fetched = RemoteCall(QStringLiteral("Fetching ") + entry.name + QStringLiteral("..."),
                                    [this, remote, copy] { return m_client.GetFile(remote, copy->File()) && copy->File()->flush(); });
    if (!fetched)
        copy->Discard();
    return fetched;
}

void CFtpOpenDlg::OnOpen()
{
    const QString text = m_fileName->text();
    if (text.isEmpty())
        return;
    QString name = text;
    if (m_doubleClicked) {
        m_doubleClicked = false;
        if (m_list->SelectedRow() < 0)
            return;
        name = SelectedName();
    }
    QList<CFtpEntry> entries;
    if (!FetchListing(m_client.GetCurrentDirectory(), &entries))
        entries.clear();
    const CFtpEntry *found = nullptr;
    for (const CFtpEntry &entry : std::as_const(entries)) {
        if (entry.name == name) {
            found = &entry;
            break;
        }
    }
    if (found && found->isDirectory) {
        m_lastExamined = found->FullPath();
        Browse(name);
        return;
    }
    if (!found && name.contains(QLatin1Char('/'))) {
        // A typed path: a directory is shown, a file is looked up in its own directory.
        const QString target = m_client.AbsolutePath(name);
        const bool entered = RemoteCall(QStringLiteral("Reading ") + target + QStringLiteral("..."),
                                        [this, target] { return m_client.SetCurrentDirectory(target); });
        if (entered) {
            Browse(m_client.GetCurrentDirectory());
            return;
        }
        const QString directory = parentOf(target);
        const QString base = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
        if (FetchListing(directory, &entries)) {
            for (const CFtpEntry &entry : std::as_const(entries)) {
                if (entry.name == base && !entry.isDirectory) {
                    found = &entry;
                    break;
                }
            }
        }
    } else if (!found) {
        const bool entered = RemoteCall(QStringLiteral("Reading ") + name + QStringLiteral("..."),
                                        [this, name] { return m_client.SetCurrentDirectory(name); });
        if (entered) {
            Browse(m_client.GetCurrentDirectory());
            return;
        }
    }
    if (!found) {
        ShowMessage(61462, QStringLiteral("The file '") + m_client.GetCurrentDirectory() + QLatin1Char('/') + text
                               + QStringLiteral("' cannot be found.\nMake sure that the path and file name are correct."),
                    MB::IconInformation);
        return;
    }
    CFtpLocalCopy copy;
    if (!Fetch(*found, &copy)) {
        ShowMessage(61457, m_client.LastError(), MB::IconInformation);
        return;
    }
    copy.Keep();
    m_remotePath = found->FullPath();
    m_localPath = copy.Path();
    accept();
}

void CFtpOpenDlg::OnUpOneLevel()
{
    const QString cwd = m_client.GetCurrentDirectory();
    if (cwd == QLatin1String("/")) {
        ShowMessage(61458, QString(), MB::IconInformation);
        return;
    }
    if (!cwd.contains(QLatin1Char('/'))) {
        ShowMessage(61459, QString(), MB::IconInformation);
        return;
    }
    Browse(parentOf(cwd));
}

void CFtpOpenDlg::OnLookIn(int index)
{
    if (index == 0)
        Browse(QStringLiteral("/"));
    else if (index == 1)
        Browse(m_home);
    else if (index == 2)
        Browse(m_lookIn->itemData(2).toString());
}

void CFtpOpenDlg::OnClick()
{
    if (m_list->SelectedRow() >= 0 && !IsDirectory(SelectedName()))
        m_fileName->setText(SelectedName());
}

void CFtpOpenDlg::OnDoubleClick()
{
    if (m_list->SelectedRow() < 0)
        return;
    const QString name = SelectedName();
    if (IsDirectory(name)) {
        Browse(name);
        return;
    }
    m_fileName->setText(name);
    m_doubleClicked = true;
    OnOpen();
}

void CFtpOpenDlg::OnContextMenu(const QPoint &globalPos)
{
    const QList<MenuItemResource> &popups = MenuResource(176);
    const int index = ContextPopup();
    if (index >= popups.size())
        return;
    QMenu menu(this);
    QList<QAction *> actions;
    fillMenu(&menu, popups[index].items, &actions);
    if (QAction *chosen = menu.exec(globalPos))
        OnCommand(chosen->data().toInt());
}

void CFtpOpenDlg::OnDelete()
{
    if (m_list->SelectedRow() < 0)
        return;
    const QString name = SelectedName();
    const bool directory = IsDirectory(name);
    const QString path = ChildPath(name);
    const bool removed = RemoteCall(QStringLiteral("Deleting ") + name + QStringLiteral("..."), [&] {
        return directory ? m_client.RemoveDirectory(path) : m_client.Remove(path);
    });
    if (removed) {
        Browse(m_client.GetCurrentDirectory());
        return;
    }
    const QString error = m_client.LastError().left(1024).simplified();
    if (!error.isEmpty())
        ShowMessage(61454, error, MB::IconInformation);
    else
        ShowMessage(directory ? 61464 : 61465, QString(), MB::IconInformation);
}

void CFtpOpenDlg::OnRename()
{
    const int row = m_list->SelectedRow();
    if (row < 0) {
        ShowMessage(61470, QString(), MB::IconStop);
        return;
    }
    m_list->EditRow(row);
}

void CFtpOpenDlg::OnLabelEdited(int, const QString &text)
{
    const QString oldName = SelectedName();
    const int row = m_list->FindRow(oldName);
    if (oldName.isEmpty() || row < 0) {
        ShowMessage(61466, QString(), MB::IconStop);
        return;
    }
    const QString oldPath = ChildPath(oldName);
    const QString newPath = ChildPath(text);
    if (text.isEmpty() || text == oldName || oldPath.size() > MaxPath || newPath.size() > MaxPath)
        return;
    const bool renamed = RemoteCall(QStringLiteral("Renaming ") + oldName + QStringLiteral("..."),
                                    [&] { return m_client.Rename(oldPath, newPath); });
    if (!renamed)
        return;
    m_list->SetRowName(row, text);
    for (CFtpEntry &entry : m_entries) {
        if (entry.name == oldName) {
            entry.name = text;
            break;
        }
    }
}

void CFtpOpenDlg::OnNewDirectory()
{
    const QString path = ChildPath(QStringLiteral("NewDirectory"));
    const bool made = RemoteCall(QStringLiteral("Creating NewDirectory..."), [&] { return m_client.CreateDirectory(path); });
    if (!made) {
        ShowMessage(61456, QString(), MB::Ok);
        return;
    }
    Browse(m_client.GetCurrentDirectory());
    const int row = m_list->FindRow(QStringLiteral("NewDirectory"));
    m_list->CurrentView()->setFocus();
    m_list->EditRow(row);
}

void CFtpOpenDlg::OnProperties()
{
    const int row = m_list->SelectedRow();
    if (row >= 0) {
        const QString name = SelectedName();
        const QString cwd = m_client.GetCurrentDirectory();
        QList<CFtpEntry> entries;
        FetchListing(cwd, &entries);
        for (const CFtpEntry &entry : std::as_const(entries)) {
            if (entry.name == name) {
                ShowProperties(&entry, name, cwd, false);
                return;
            }
        }
        ShowProperties(nullptr, name, cwd, false);
        return;
    }
    // The working directory itself: found in its parent's listing, read by absolute path, so
    // the working directory never changes on the way.
    const QString cwd = m_client.GetCurrentDirectory();
    if (cwd == QLatin1String("/")) {
        ShowMessage(61468, QString(), MB::IconInformation);
        return;
    }
    const QString parent = parentOf(cwd);
    QList<CFtpEntry> entries;
    if (!FetchListing(parent, &entries)) {
        ShowMessage(61469, QString(), MB::IconStop);
        return;
    }
    const QString name = cwd.mid(cwd.lastIndexOf(QLatin1Char('/')) + 1);
    for (const CFtpEntry &entry : std::as_const(entries)) {
        if (entry.isDirectory && entry.FullPath() == cwd) {
            ShowProperties(&entry, name, parent, true);
            return;
        }
    }
    ShowProperties(nullptr, name, parent, true);
}

void CFtpOpenDlg::ShowProperties(const CFtpEntry *entry, const QString &name, const QString &location, bool sizeZero)
{
    m_page.m_strFileName = name;
    m_page.m_strLocation = entry ? entry->directory : location;
    m_page.m_strServerName = m_server;
    m_page.m_timeCreated = entry ? entry->created : QDateTime();
    m_page.m_timeLastAccess = entry ? entry->accessed : QDateTime();
    m_page.m_timeLastWrite = entry ? entry->modified : QDateTime();
    m_page.m_bReadOnly = entry && entry->readOnly;
    m_page.m_bHidden = entry && entry->hidden;
    m_page.m_bSystem = entry && entry->system;
    m_page.m_bArchive = entry && entry->archive;
    m_page.m_bCompressed = entry && entry->compressed;
    m_page.m_nSize = !entry ? -1 : sizeZero ? 0 : entry->size;

    QDialog sheet(this);
    sheet.setObjectName(QStringLiteral("propertySheet"));
    sheet.setWindowTitle(name + QStringLiteral(" Properties"));
    auto *tabs = new QTabWidget(&sheet);
    tabs->addTab(&m_page, m_page.Title());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &sheet);
    connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    auto *layout = new QVBoxLayout(&sheet);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    m_page.OnInitDialog();
    sheet.exec();
    // The page is the dialog's own and outlives the sheet.
    tabs->removeTab(0);
    m_page.setParent(nullptr);
}

void CFtpOpenDlg::OnViewMenu()
{
    const QList<MenuItemResource> &popups = MenuResource(130);
    if (popups.isEmpty())
        return;
    QMenu menu(this);
    QList<QAction *> actions;
    fillMenu(&menu, popups.first().items, &actions);
    for (QAction *action : std::as_const(actions)) {
        action->setCheckable(true);
        action->setChecked(action->data().toInt() == m_list->ViewMode());
    }
    const QRect button = m_toolBarHost->ButtonRect(ID_VIEW_NODE_TOOL);
    if (QAction *chosen = menu.exec(button.isValid() ? button.bottomLeft() : QCursor::pos()))
        OnCommand(chosen->data().toInt());
}

void CFtpOpenDlg::OnOpenWith(bool textEditor)
{
    const QString name = SelectedName();
    if (name.isEmpty() || IsDirectory(name))
        return;
    const CFtpEntry *found = nullptr;
    for (const CFtpEntry &entry : std::as_const(m_entries)) {
        if (entry.name == name)
            found = &entry;
    }
    if (!found)
        return;
    CFtpLocalCopy copy;
    if (!Fetch(*found, &copy)) {
        ShowMessage(61457, m_client.LastError(), textEditor ? MB::IconInformation : MB::IconStop);
        return;
    }
    copy.Keep();
    // The server chose the name: it goes to the desktop as a file address or a program
    // argument, never through a shell.
    if (textEditor)
        CTextEditorLauncher::Open(copy.Path());
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(copy.Path()));
}
