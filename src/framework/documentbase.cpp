#include "documentbase.h"

#include "viewbase.h"

#include <QFileInfo>

CDocumentBase::CDocumentBase(QObject *parent)
    : QObject(parent)
{
}

CDocumentBase::~CDocumentBase() = default;

void CDocumentBase::SetTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged(m_title);
}

void CDocumentBase::SetPathName(const QString &path)
{
    m_pathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(m_pathName).fileName());
}

void CDocumentBase::ClearPathName()
{
    m_pathName.clear();
}

void CDocumentBase::SetModifiedFlag(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    Q_EMIT modifiedChanged(m_modified);
}

void CDocumentBase::AddView(CViewBase *view)
{
    if (view && !m_views.contains(view))
        m_views.append(view);
}

void CDocumentBase::RemoveView(CViewBase *view)
{
    m_views.removeAll(view);
}

void CDocumentBase::UpdateAllViews(CViewBase *sender, long hint, QObject *hintObject)
{
    // A view may remove itself (or others) while it is told; walk a copy and skip the gone.
    const QList<CViewBase *> views = m_views;
    for (CViewBase *view : views) {
        if (view != sender && m_views.contains(view))
            view->OnUpdate(sender, hint, hintObject);
    }
}
