#pragma once

#include "document/xmlnode.h"

#include <QList>
#include <QStackedWidget>

#include <functional>

class QAbstractItemView;
class QListView;
class QStandardItemModel;
class QTreeView;

// The node page's list: one row per node, with the columns "Name", "Type" and "Value". The same
// rows and the same selection are shown either as details (the three columns) or by a list view
// as small icons, large icons or a list. Each row keeps a handle to its node; only the labels of
// rows marked editable can be edited in place.
class CNodeListControl : public QStackedWidget
{
    Q_OBJECT

public:
    enum class ViewMode { SmallIcons, LargeIcons, List, Details };
    using LabelEditedHandler = std::function<void(const XmlNode &node, const QString &text)>;

    explicit CNodeListControl(QWidget *parent = nullptr);

    void SetViewMode(ViewMode mode);
    ViewMode GetViewMode() const { return m_mode; }

    void RemoveAllRows();
    // Appends a row at the bottom.
    void AppendRow(const XmlNode &node, const QString &label, const QString &type, const QString &value,
                   const QIcon &icon, bool labelEditable);
    void RemoveRows(QList<int> rows);
    int RowCount() const { return int(m_nodes.size()); }
    XmlNode RowNode(int row) const { return m_nodes.value(row); }
    QString RowText(int row, int column) const;
    // The first row whose label is `label`; -1 when none.
    int FindRow(const QString &label) const;

    // Every selected row, whether scrolled into view or not, top to bottom.
    QList<int> SelectedRows() const;
    int FirstSelectedRow() const;
    // Starts editing `row`'s label; false when the row has none that can be edited.
    bool EditLabel(int row);
    // Told once the user finished an edit with Enter or by leaving the editor (never on Esc).
    void SetLabelEditedHandler(LabelEditedHandler handler) { m_labelEdited = std::move(handler); }

    QAbstractItemView *CurrentView() const;
    QTreeView *DetailsView() const { return m_details; }
    QListView *IconView() const { return m_icons; }

Q_SIGNALS:
    void rowDoubleClicked();
    void contextMenuRequested(const QPoint &globalPos);
    void focusEntered();
    // The user began to drag the selected rows.
    void rowDragStarted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetUpView(QAbstractItemView *view);

    QStandardItemModel *m_model;
    QTreeView *m_details;
    QListView *m_icons;
    QList<XmlNode> m_nodes;
    ViewMode m_mode = ViewMode::Details;
    LabelEditedHandler m_labelEdited;
};
