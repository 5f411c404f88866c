#pragma once

#include <QString>

class CWorkSpaceDoc;

// One edit of a document, held for the length of a scope. The document's operations each open
// one, so a command that runs several of them (a cut of many rows, a move) opens its own around
// them: nested edits join the outermost, and when that ends after a change the document is marked
// modified, its pages stale, every view is told once, and the changes become one step of the
// document's history, named by the outermost edit's `name`.
class CEditTransaction
{
public:
    explicit CEditTransaction(CWorkSpaceDoc *document, const QString &name = QString());
    ~CEditTransaction();

    CEditTransaction(const CEditTransaction &) = delete;
    CEditTransaction &operator=(const CEditTransaction &) = delete;

private:
    CWorkSpaceDoc *m_document;
};
