#pragma once

#include "cmdtarget.h"

#include <QList>
#include <QObject>
#include <QString>

class CViewBase;

// Title, path name, modified flag and the ordered list of views of one open document. Commands
// reach it after the active view.
class CDocumentBase : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CDocumentBase(QObject *parent = nullptr);
    ~CDocumentBase() override;

    QString GetTitle() const { return m_title; }
    virtual void SetTitle(const QString &title);
    QString GetPathName() const { return m_pathName; }
    // Stores the absolute path and sets the title to the file's name.
    virtual void SetPathName(const QString &path);
    void ClearPathName();

    virtual void SetModifiedFlag(bool modified);
    bool IsModified() const { return m_modified; }

    // Views are told in the order they were added.
    void AddView(CViewBase *view);
    void RemoveView(CViewBase *view);
    const QList<CViewBase *> &Views() const { return m_views; }
    void UpdateAllViews(CViewBase *sender = nullptr, long hint = 0, QObject *hintObject = nullptr);

Q_SIGNALS:
    void titleChanged(const QString &title);
    void modifiedChanged(bool modified);

private:
    QString m_title;
    QString m_pathName;
    bool m_modified = false;
    QList<CViewBase *> m_views;
};
