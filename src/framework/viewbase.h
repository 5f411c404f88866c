#pragma once

class CDocumentBase;
class QObject;

// A view of a document. The document tells its views of every change through OnUpdate; each
// view decides from the document's state what to refresh.
class CViewBase
{
public:
    virtual ~CViewBase() = default;
    virtual void OnUpdate(CViewBase *sender, long hint, QObject *hintObject) = 0;
};
