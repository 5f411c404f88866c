#pragma once

#include <QStackedWidget>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStandardItemModel;
class QTreeView;

// The remote file list: rows of name, size and modification time shown in one of four views
// (large icons, small icons, list, details). A row is known by its name. Renaming in place
// only reports the typed name: the row keeps its text until the caller sets the new one.
class CFtpFileList : public QStackedWidget
{
    Q_OBJECT

public:
    explicit CFtpFileList(QWidget *parent = nullptr);

    void Clear();
    // Appends a row; names are shown as plain text.
    void AddRow(const QString &name, bool directory, const QString &size, const QString &modified);
    int RowCount() const;
    QString RowName(int row) const;
    QString RowText(int row, int column) const;
    void SetRowName(int row, const QString &name);
    // -1 when no row is selected.
    int SelectedRow() const;
    void SelectRow(int row);
    // The first row whose name equals `name` exactly; -1 when none.
    int FindRow(const QString &name) const;
    // Opens the in-place editor on a row's name.
    void EditRow(int row);

    // The view mode commands ID_VIEW_SMALLICON .. ID_VIEW_BYNAME; ViewMode answers one of the
    // first four.
    void SetViewMode(int command);
    int ViewMode() const { return m_mode; }
    QAbstractItemView *CurrentView() const;
    QTreeView *DetailsView() const { return m_details; }
    QListView *IconView() const { return m_icons; }

Q_SIGNALS:
    void rowClicked();
    void rowDoubleClicked();
    void contextMenuRequested(const QPoint &globalPos);
    void labelEdited(int row, const QString &text);

private:
    QStandardItemModel *m_model;
    QTreeView *m_details;
    QListView *m_icons;
    QItemSelectionModel *m_selection;
    int m_mode;
};
