#pragma once

#include "document/xmlnode.h"

#include <QAbstractTableModel>
#include <QList>

#include <deque>
#include <functional>

// The rows of the node list: one node each, with the columns "Name", "Type" and "Value". A row
// keeps only its node's handle and reads the texts from the node when a view asks for them, so a
// node with a hundred thousand listed children costs a handle per row, and the rows of one batch
// go in with one insertion.
class CNodeListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using TypeNameFunction = std::function<QString(const XmlNode &node)>;

    explicit CNodeListModel(QObject *parent = nullptr);

    // The text of the "Type" column; empty until set.
    void SetTypeNames(TypeNameFunction typeName) { m_typeName = std::move(typeName); }

    // Replaces every row by `nodes`, top to bottom.
    void ResetRows(const QList<XmlNode> &nodes);
    // Inserts `nodes` so that the first of them becomes row `row`.
    void InsertRows(int row, const QList<XmlNode> &nodes);
    XmlNode Node(int row) const;
    QString Text(int row, int column) const;

    // Attributes and processing instructions are renamed in place; no other row is.
    static bool HasEditableLabel(const XmlNode &node);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row
    {
        XmlNode node;
        bool editableLabel; // asked of every row each time a view lays the rows out
    };
    static Row MakeRow(const XmlNode &node) { return {node, HasEditableLabel(node)}; }

    // Rows go in just above the attributes, near the end: a deque takes them there without
    // moving the rows before them or reallocating them all as the list grows.
    std::deque<Row> m_rows;
    TypeNameFunction m_typeName;
};
