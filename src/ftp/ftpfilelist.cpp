#include "ftpfilelist.h"

#include "resources/commandids.h"

#include <QFileIconProvider>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMimeDatabase>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace {

// Hands the typed name to the list instead of writing it into the row.
class LabelDelegate : public QStyledItemDelegate
{
public:
    LabelDelegate(CFtpFileList *list) : QStyledItemDelegate(list), m_list(list) {}

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            Q_EMIT m_list->labelEdited(index.row(), line->text());
    }

private:
    CFtpFileList *m_list;
};

// One icon per file type, looked up by the name alone.
QIcon fileIcon(const QString &name)
{
    static QHash<QString, QIcon> bySuffix;
    static QFileIconProvider provider;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : name.mid(dot + 1).toLower().left(16);
    auto it = bySuffix.constFind(suffix);
    if (it != bySuffix.constEnd())
        return it.value();
    static QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = provider.icon(QFileIconProvider::File);
    bySuffix.insert(suffix, icon);
    return icon;
}

} // namespace

CFtpFileList::CFtpFileList(QWidget *parent)
    : QStackedWidget(parent), m_model(new QStandardItemModel(0, 3, this)), m_details(new QTreeView(this)),
      m_icons(new QListView(this)), m_selection(new QItemSelectionModel(m_model, this)), m_mode(ID_VIEW_DETAILS)
{
    m_model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Modified")});
    m_model->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_model->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_details->setObjectName(QStringLiteral("details"));
    m_icons->setObjectName(QStringLiteral("icons"));
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_details), static_cast<QAbstractItemView *>(m_icons)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed);
        view->setItemDelegate(new LabelDelegate(this));
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->setTextElideMode(Qt::ElideMiddle);
        connect(view, &QAbstractItemView::clicked, this, [this] { Q_EMIT rowClicked(); });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { Q_EMIT rowDoubleClicked(); });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
            // A right-click on empty space leaves no row selected.
            if (!view->indexAt(pos).isValid())
                m_selection->clearSelection();
            Q_EMIT contextMenuRequested(view->viewport()->mapToGlobal(pos));
        });
        addWidget(view);
    }
    m_details->setRootIsDecorated(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int column = 0; column < 3; ++column)
        m_details->header()->resizeSection(column, 120);
    m_icons->setUniformItemSizes(true);
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setBatchSize(200);
    m_icons->setWordWrap(false);
    SetViewMode(ID_VIEW_DETAILS);
}

void CFtpFileList::Clear()
{
    m_model->removeRows(0, m_model->rowCount());
}

void CFtpFileList::AddRow(const QString &name, bool directory, const QString &size, const QString &modified)
{
    static QFileIconProvider provider;
    auto *nameItem = new QStandardItem(directory ? provider.icon(QFileIconProvider::Folder) : fileIcon(name), name);
    nameItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    auto *sizeItem = new QStandardItem(size);
    auto *timeItem = new QStandardItem(modified);
    for (QStandardItem *item : {sizeItem, timeItem}) {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_model->appendRow({nameItem, sizeItem, timeItem});
}

int CFtpFileList::RowCount() const
{
    return m_model->rowCount();
}

QString CFtpFileList::RowName(int row) const
{
    return RowText(row, 0);
}

QString CFtpFileList::RowText(int row, int column) const
{
    const QStandardItem *item = m_model->item(row, column);
    return item ? item->text() : QString();
}

void CFtpFileList::SetRowName(int row, const QString &name)
{
    if (QStandardItem *item = m_model->item(row, 0))
        item->setText(name);
}

int CFtpFileList::SelectedRow() const
{
    const QModelIndexList rows = m_selection->selectedRows();
    if (!rows.isEmpty())
        return rows.first().row();
    const QModelIndexList indexes = m_selection->selectedIndexes();
    return indexes.isEmpty() ? -1 : indexes.first().row();
}

void CFtpFileList::SelectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        m_selection->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CurrentView()->scrollTo(index);
}

int CFtpFileList::FindRow(const QString &name) const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row, 0)->text() == name)
            return row;
    }
    return -1;
}

void CFtpFileList::EditRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    SelectRow(row);
    CurrentView()->edit(m_model->index(row, 0));
}

QAbstractItemView *CFtpFileList::CurrentView() const
{
    return m_mode == ID_VIEW_DETAILS ? static_cast<QAbstractItemView *>(m_details) : m_icons;
}

void CFtpFileList::SetViewMode(int command)
{
    switch (command) {
    case ID_VIEW_SMALLICON:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(150, 22));
        m_icons->setFlow(QListView::LeftToRight);
        m_mode = command;
        break;
    case ID_VIEW_LIST:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize());
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setWrapping(true);
        m_mode = command;
        break;
    case ID_VIEW_DETAILS:
        m_mode = command;
        break;
    case ID_VIEW_LARGEICON:
    case ID_VIEW_LINEUP:
    case ID_VIEW_BYNAME:
    default:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setIconSize(QSize(32, 32));
        m_icons->setGridSize(QSize(110, 64));
        m_icons->setFlow(QListView::LeftToRight);
        m_mode = ID_VIEW_LARGEICON;
        break;
    }
    if (m_mode != ID_VIEW_DETAILS) {
        m_icons->setMovement(QListView::Static);
        m_icons->setResizeMode(QListView::Adjust);
    }
    setCurrentWidget(CurrentView());
    CurrentView()->doItemsLayout();
}
