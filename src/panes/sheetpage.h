#pragma once

#include "framework/cmdtarget.h"

#include <QWidget>

class CWorkSpaceDoc;

// A page of the node pane's tabbed sheet. The sheet offers commands to its active page first
// (through the page's command table), tells the shown page of every change of the document, and
// tells a page that becomes shown so that it catches up with changes made while it was hidden.
class CSheetPage : public QWidget, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CSheetPage(const QString &title, QWidget *parent = nullptr)
        : QWidget(parent), m_title(title) {}

    QString Title() const { return m_title; }
    void SetDocument(CWorkSpaceDoc *document) { m_document = document; }
    CWorkSpaceDoc *GetDocument() const { return m_document; }

    // The document or its current node may have changed: bring the page up to date. Every page
    // is told, shown or not; a hidden page notes what it must read and reads it once shown.
    virtual void OnKickIdle() {}
    // The page is about to be shown (its tab was chosen, or the sheet opened on it).
    virtual void OnSetActive() { OnKickIdle(); }
    // The page is about to be hidden; false keeps it shown.
    virtual bool OnKillActive() { return true; }
    // Hands edits the page still holds (text typed but not yet taken) to the document, before
    // the document is saved, printed or closed. False when they were refused; the page keeps them.
    virtual bool CommitPendingEdits() { return true; }
    // Drops the edits the document refused, so that the document can close as it is.
    virtual void DiscardPendingEdits() {}

private:
    QString m_title;
    CWorkSpaceDoc *m_document = nullptr;
};
