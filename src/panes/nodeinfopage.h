#pragma once

#include <QWidget>

class QLineEdit;

// The "Info" tab of the node properties: the identity texts of the node and of its parent, in
// read-only boxes.
class CNodeInfoPage : public QWidget
{
    Q_OBJECT

public:
    explicit CNodeInfoPage(QWidget *parent = nullptr);

    void SetNodeAddress(const QString &address);
    QString NodeAddress() const;
    void SetParentAddress(const QString &address);
    QString ParentAddress() const;

private:
    QLineEdit *m_nodeAddress;
    QLineEdit *m_parentAddress;
};
