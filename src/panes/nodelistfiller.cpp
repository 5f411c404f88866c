#include "nodelistfiller.h"

#include "nodelistcontrol.h"
#include "document/workspacedoc.h"
#include "document/xmlnamednodemap.h"

#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace {

// While the document is in the middle of an edit (a message box of the edit runs its own event
// loop) or a drag is under way, the walk looks again this much later instead of spinning.
constexpr int WaitMilliseconds = 50;
// The clock is read once per this many children.
constexpr qint64 ChildrenPerClockRead = 1024;

} // namespace

CNodeListFiller::CNodeListFiller(CNodeListControl *list, QObject *parent) : QObject(parent), m_list(list) {}

bool CNodeListFiller::IsListedChild(const XmlNode &child)
{
    switch (child.nodeType()) {
    case NodeType::Element:
    case NodeType::EntityReference:
    case NodeType::Document:
    case NodeType::DocumentType:
    case NodeType::DocumentFragment:
        return false;
    case NodeType::Text:
        return !child.isLayoutWhitespace();
    default:
        return true;
    }
}

void CNodeListFiller::Fill(CWorkSpaceDoc *document, const XmlNode &node)
{
    Stop();
    m_document = document;
    QList<XmlNode> attributes;
    if (!node.isNull()) {
        XmlNamedNodeMap map = node.attributes();
        for (XmlNode attribute = map.nextNode(); !attribute.isNull(); attribute = map.nextNode())
            attributes.prepend(attribute);
        m_next = node.lastChild();
    }
    // One reset for what goes in at once, so the views lay the rows out once.
    QList<XmlNode> rows = Walk(ImmediateChildren, -1);
    m_childRows = int(rows.size());
    rows.append(attributes);
    m_list->ResetRows(rows);
    m_sinceInsert.start();
    if (IsFilling())
        m_timer.start(0, this);
}

void CNodeListFiller::Stop()
{
    m_timer.stop();
    m_next = XmlNode();
    m_found.clear();
}

void CNodeListFiller::Finish()
{
    if (!IsFilling())
        return;
    m_timer.stop();
    m_found.append(Walk(std::numeric_limits<qint64>::max(), -1));
    InsertFound(m_found.size());
}

void CNodeListFiller::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (!m_document) {
        Stop(); // the document is gone, and its window with it
        return;
    }
    // An edit may be moving the very siblings the walk stands on; the views hear of it when it ends.
    if (m_document->IsEditing() || CWorkSpaceDoc::IsDragging()) {
        m_timer.start(WaitMilliseconds, this);
        return;
    }
    if (!m_next.isNull())
        m_found.append(Walk(std::numeric_limits<qint64>::max(), StepMilliseconds));
    if (IsInsertDue())
        InsertFound(InsertBatchRows);
    if (IsFilling())
        m_timer.start(0, this);
    else
        m_timer.stop();
}

QList<XmlNode> CNodeListFiller::Walk(qint64 maxVisits, int deadlineMs)
{
    QElapsedTimer clock;
    clock.start();
    QList<XmlNode> found;
    qint64 visits = 0;
    while (!m_next.isNull() && visits < maxVisits) {
        if (IsListedChild(m_next))
            found.append(m_next);
        m_next = m_next.previousSibling();
        if (++visits % ChildrenPerClockRead == 0 && deadlineMs >= 0 && clock.elapsed() >= deadlineMs)
            break;
    }
    return found;
}

bool CNodeListFiller::IsInsertDue() const
{
    if (m_found.isEmpty())
        return false;
    if (m_next.isNull())
        return true;
    // A view lays out a hundred thousand rows in a few milliseconds.
    const qint64 interval = std::max<qint64>(InsertMilliseconds, m_list->RowCount() / 2000);
    return m_sinceInsert.hasExpired(interval);
}

void CNodeListFiller::InsertFound(qsizetype maxRows)
{
    const qsizetype count = std::min(maxRows, m_found.size());
    m_list->InsertRows(m_childRows, count == m_found.size() ? m_found : m_found.first(count));
    m_found.remove(0, count);
    m_childRows += int(count);
    m_sinceInsert.start();
}
