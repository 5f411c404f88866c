#pragma once

#include <QStyledItemDelegate>

#include <functional>

// Edits a node list row's label in a plain line editor (so the editing keys stay the editor's
// while it is open) and hands the finished text to the list instead of writing it into the
// row: the row shows whatever name the document really gives the node afterwards.
class CNodeLabelDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using CommitHandler = std::function<void(int row, const QString &text)>;

    explicit CNodeLabelDelegate(CommitHandler commit, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), m_commit(std::move(commit)) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    CommitHandler m_commit;
};
