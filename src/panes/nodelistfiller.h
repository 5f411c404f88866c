#pragma once

#include "document/xmlnode.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class CNodeListControl;
class CWorkSpaceDoc;

// Fills the node list with one node's rows: its attributes at the bottom, in reverse document
// order, and above them the children the element tree does not show, the last child at the top.
// The attributes and the children up to a budget that covers any ordinary node go in at once;
// beyond it (a root of millions of records) the walk goes on from the event loop in steps of a
// few milliseconds, so the window keeps painting and taking input. What the steps find goes in
// below the rows already listed, in batches a tenth of a second or more apart, so the rows in
// view never move and the list is laid out and painted again only that often. The walk waits
// while the document is being edited or a drag is under way; the next fill, Stop or Finish ends
// it.
class CNodeListFiller : public QObject
{
    Q_OBJECT

public:
    // Children looked at before Fill returns.
    static constexpr int ImmediateChildren = 10000;
    // How long one step from the event loop may walk.
    static constexpr int StepMilliseconds = 2;
    // The shortest time between two batches; a long list, which the view lays out anew after
    // each insertion, takes them less often.
    static constexpr int InsertMilliseconds = 100;
    // The most rows one turn of the event loop inserts.
    static constexpr int InsertBatchRows = 50000;

    explicit CNodeListFiller(CNodeListControl *list, QObject *parent = nullptr);

    // Replaces the list's rows by those of `node` (none for a null node).
    void Fill(CWorkSpaceDoc *document, const XmlNode &node);
    // Ends the walk where it stands; the rows listed so far stay.
    void Stop();
    // Lists the remaining rows now.
    void Finish();
    bool IsFilling() const { return !m_next.isNull() || !m_found.isEmpty(); }

    // A child the list shows: not an element, entity reference, document, declaration or
    // fragment (the tree's), nor text made only of layout whitespace. An empty text node is
    // shown so that it can be edited.
    static bool IsListedChild(const XmlNode &child);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    // Walks back from the next child until the first is done, `maxVisits` children have been
    // looked at or, with a `deadlineMs` of 0 or more, that many milliseconds have passed. Returns
    // the listed children it met, last first.
    QList<XmlNode> Walk(qint64 maxVisits, int deadlineMs);
    // Puts what the steps found below the children listed so far, at most `maxRows` of them.
    void InsertFound(qsizetype maxRows);
    bool IsInsertDue() const;

    CNodeListControl *m_list;
    QPointer<CWorkSpaceDoc> m_document;
    XmlNode m_next;       // the child the walk looks at next; null when the walk is done
    int m_childRows = 0;  // the children listed so far: the rows above the attributes
    QList<XmlNode> m_found; // found by the steps, not listed yet
    QElapsedTimer m_sinceInsert;
    QBasicTimer m_timer;
};
