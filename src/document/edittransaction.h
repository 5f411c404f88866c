#pragma once

class CWorkSpaceDoc;

// One edit of a document, held for the length of a scope. The document's operations each open
// one, so a command that runs several of them (a cut of many rows, a move) opens its own around
// them: nested edits join the outermost, and when that ends after a change the document is marked
// modified, its pages stale, and every view is told once.
class CEditTransaction
{
public:
    explicit CEditTransaction(CWorkSpaceDoc *document);
    ~CEditTransaction();

    CEditTransaction(const CEditTransaction &) = delete;
    CEditTransaction &operator=(const CEditTransaction &) = delete;

private:
    CWorkSpaceDoc *m_document;
};
