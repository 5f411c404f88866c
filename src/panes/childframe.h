#pragma once

#include "framework/viewbase.h"

#include <QWidget>

class CWorkSpaceDoc;
class QPlainTextEdit;

// The window of one open document. For now it shows the document's text; the element tree and
// the node pane take its place.
class CChildFrame : public QWidget, public CViewBase
{
    Q_OBJECT

public:
    explicit CChildFrame(CWorkSpaceDoc *document, QWidget *parent = nullptr);
    ~CChildFrame() override;

    CWorkSpaceDoc *GetDocument() const { return m_document; }
    void OnUpdate(CViewBase *sender, long hint, QObject *hintObject) override;
    void OnInitialUpdate();

private:
    CWorkSpaceDoc *m_document;
    QPlainTextEdit *m_text;
};
