#pragma once

#include "document/xmlnode.h"

#include <QList>
#include <QStackedWidget>

#include <functional>

class CNodeListModel;
class QAbstractItemView;
class QListView;
class QTreeView;

// The node page's list: one row per node, with the columns "Name", "Type" and "Value". The same
// rows and the same selection are shown either as details (the three columns) or by a list view
// as small icons, large icons or a list. Each row keeps a handle to its node; only the labels of
// attributes and processing instructions can be edited in place.
class CNodeListControl : public QStackedWidget
{
    Q_OBJECT

public:
    enum class ViewMode { SmallIcons, LargeIcons, List, Details };
    using LabelEditedHandler = std::function<void(const XmlNode &node, const QString &text)>;

    explicit CNodeListControl(QWidget *parent = nullptr);

    void SetViewMode(ViewMode mode);
    ViewMode GetViewMode() const { return m_mode; }

    // How the "Type" column names a node's type.
    void SetTypeNames(std::function<QString(const XmlNode &node)> typeName);

    // Replaces every row by `nodes`, top to bottom.
    void ResetRows(const QList<XmlNode> &nodes);
    // Inserts `nodes` so that the first of them becomes row `row`, all in one insertion: the
    // selection and the rows in view stay where they are.
    void InsertRows(int row, const QList<XmlNode> &nodes);
    void AppendRows(const QList<XmlNode> &nodes) { InsertRows(RowCount(), nodes); }
    void RemoveAllRows() { ResetRows({}); }
    int RowCount() const;
    XmlNode RowNode(int row) const;
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

    CNodeListModel *m_model;
    QTreeView *m_details;
    QListView *m_icons;
    ViewMode m_mode = ViewMode::Details;
    LabelEditedHandler m_labelEdited;
};
