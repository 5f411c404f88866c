#pragma once

#include "ftp/resizabledialog.h"

#include <QIcon>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Edit Node": a node's picture, name, type and value. Only the value can be edited; the
// caller fills the fields, shows the dialog and, after OK, reads the value back. Line breaks
// are line feeds both ways. The dialog can grow (the value box grows with it) but never shrinks
// below the size it opened with.
class CEditNodeDlg : public CResizableDialog
{
    Q_OBJECT

public:
    explicit CEditNodeDlg(QWidget *parent = nullptr);

    void SetName(const QString &name);
    QString Name() const;
    void SetType(const QString &type);
    QString Type() const;
    void SetValue(const QString &value);
    QString Value() const;
    void SetIcon(const QIcon &icon);

    QLineEdit *NameBox() const { return m_name; }
    QLineEdit *TypeBox() const { return m_type; }
    QPlainTextEdit *ValueBox() const { return m_value; }
    QPushButton *OkButton() const { return m_ok; }
    QPushButton *CancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_icon;
    QLineEdit *m_name;
    QLineEdit *m_type;
    QPlainTextEdit *m_value;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    bool m_shownOnce = false;
};
