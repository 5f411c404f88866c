#include "pagedsourceview.h"

#include "framework/cmdui.h"
#include "framework/messagehelper.h"
#include "resources/commandids.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// The source editor's tab width, so that the same text lines up alike in both.
constexpr int TabWidth = 8;
constexpr int LeftMargin = 4;
// A scroll bar value is an int: files of more than this many bytes map several bytes to a step.
constexpr qint64 MaxScrollSteps = 1'000'000'000;

qint64 s_maxCopyBytes = 64 * 1024 * 1024;

QString expandTabs(const QString &text)
{
    if (!text.contains(QLatin1Char('\t')))
        return text;
    QString result;
    result.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            result.append(QString(TabWidth - result.size() % TabWidth, QLatin1Char(' ')));
        else
            result.append(c);
    }
    return result;
}

QString formatBytes(qint64 bytes)
{
    return bytes >= 1024 * 1024 ? QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1)
                                : QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

CPagedSourceView::CPagedSourceView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    // Always shown, so that a line wider than all before it, met while painting, never changes
    // the viewport's size in the middle of a paint.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) { OnVerticalAction(action); });
    AddCommands();
}

CPagedSourceView::~CPagedSourceView() = default;

void CPagedSourceView::AddCommands()
{
    AddCommand(ID_EDIT_COPY, [this] { CopySelection(); }, [this](CCmdUI *ui) { ui->Enable(HasSelection()); });
    AddCommand(ID_EDIT_SELECT_ALL_TEXT, [this] { SetSelection(0, m_text.Size()); },
               [this](CCmdUI *ui) { ui->Enable(SelectionStart() != 0 || SelectionEnd() != m_text.Size()); });
    // The text cannot change here; these stay disabled rather than reach the document, whose
    // undo and clipboard belong to the tree.
    for (const int id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_DELETE, ID_EDIT_FIND,
                         ID_EDIT_FIND_NEXT, ID_EDIT_REPLACE})
        AddCommand(id, [] {}, [](CCmdUI *ui) { ui->Enable(false); });
}

bool CPagedSourceView::Open(const QString &path, QString *error)
{
    Close();
    if (!m_text.Open(path, error))
        return false;
    m_bytesPerStep = std::max<qint64>(1, (m_text.Size() + MaxScrollSteps - 1) / MaxScrollSteps);
    UpdateScrollBars();
    viewport()->update();
    return true;
}

void CPagedSourceView::Close()
{
    m_text.Close();
    m_top = 0;
    m_firstColumn = 0;
    m_widestColumns = 0;
    m_anchor = m_caret = 0;
    m_bytesPerStep = 1;
    m_paintedLines.clear();
    UpdateScrollBars();
    viewport()->update();
}

void CPagedSourceView::SetDisplayFont(const QFont &font)
{
    setFont(font);
    viewport()->setFont(font);
    SetTop(m_top);
}

int CPagedSourceView::LineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int CPagedSourceView::CharWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
}

int CPagedSourceView::PageLines() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

int CPagedSourceView::VisibleColumns() const
{
    return std::max(1, (viewport()->width() - LeftMargin) / CharWidth());
}

qint64 CPagedSourceView::MaxTop() const
{
    qint64 top = m_text.LastLineStart();
    for (int i = 1; i < PageLines() && top > 0; ++i)
        top = m_text.PreviousLineStart(top);
    return top;
}

void CPagedSourceView::SetTop(qint64 top)
{
    m_top = std::clamp<qint64>(m_text.LineStart(top), 0, MaxTop());
    UpdateScrollBars();
    viewport()->update();
}

void CPagedSourceView::ScrollToTop()
{
    SetTop(0);
}

void CPagedSourceView::ScrollToBottom()
{
    SetTop(MaxTop());
}

void CPagedSourceView::ScrollLines(int count)
{
    qint64 top = m_top;
    if (count > 0) {
        // Nothing to walk past the last screen.
        const qint64 last = MaxTop();
        for (int i = 0; i < count && top < last; ++i)
            top = m_text.NextLineStart(top);
    } else {
        for (int i = 0; i < -count && top > 0; ++i)
            top = m_text.PreviousLineStart(top);
    }
    SetTop(top);
}

void CPagedSourceView::UpdateScrollBars()
{
    m_syncingScrollBars = true;
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(MaxTop() / m_bytesPerStep));
    vertical->setSingleStep(1);
    // A screen's worth of bytes as the page step, so that the slider's size tells how much of
    // the file is shown.
    qint64 screenBytes = 0;
    qint64 line = m_top;
    for (int i = 0; i < PageLines() && line < m_text.Size(); ++i) {
        const qint64 next = m_text.NextLineStart(line);
        screenBytes += next - line;
        line = next;
    }
    vertical->setPageStep(int(std::max<qint64>(1, screenBytes / m_bytesPerStep)));
    vertical->setValue(int(m_top / m_bytesPerStep));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_widestColumns - VisibleColumns() + 1));
    horizontal->setPageStep(VisibleColumns());
    horizontal->setValue(m_firstColumn);
    m_firstColumn = horizontal->value();
    m_syncingScrollBars = false;
}

void CPagedSourceView::OnVerticalAction(int action)
{
    // The bar's steps stand for bytes; its arrows and page clicks move by lines instead.
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: ScrollLines(1); break;
    case QAbstractSlider::SliderSingleStepSub: ScrollLines(-1); break;
    case QAbstractSlider::SliderPageStepAdd: ScrollLines(std::max(1, PageLines() - 1)); break;
    case QAbstractSlider::SliderPageStepSub: ScrollLines(-std::max(1, PageLines() - 1)); break;
    default: return;
    }
    verticalScrollBar()->setSliderPosition(int(m_top / m_bytesPerStep));
}

void CPagedSourceView::scrollContentsBy(int, int)
{
    if (m_syncingScrollBars)
        return;
    m_firstColumn = horizontalScrollBar()->value();
    const int value = verticalScrollBar()->value();
    // A value the shown top already stands for leaves it where it is: with several bytes to a
    // step, the top is finer than the bar.
    if (value != int(m_top / m_bytesPerStep))
        SetTop(qint64(value) * m_bytesPerStep);
    viewport()->update();
}

void CPagedSourceView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    SetTop(m_top);
}

int CPagedSourceView::ColumnOf(qint64 lineStart, qint64 offset) const
{
    return int(expandTabs(m_text.Decode(lineStart, offset)).size());
}

qint64 CPagedSourceView::OffsetAt(const QPoint &pos) const
{
    qint64 line = m_top;
    for (int row = pos.y() / LineHeight(); row > 0 && !m_text.IsLastLine(line); --row)
        line = m_text.NextLineStart(line);
    if (pos.y() < 0)
        line = m_text.PreviousLineStart(line);
    const qint64 end = m_text.LineEnd(line);
    const int column = m_firstColumn + std::max(0, (pos.x() - LeftMargin + CharWidth() / 2) / CharWidth());
    const QString text = m_text.LineText(line);
    int shown = 0;
    qsizetype characters = 0;
    for (; characters < text.size() && shown < column; ++characters)
        shown = text.at(characters) == QLatin1Char('\t') ? (shown / TabWidth + 1) * TabWidth : shown + 1;
    const QString before = text.left(characters);
    // Byte lengths: UTF-8 counted again; the other encodings read here have a byte a character.
    const qint64 bytes = m_text.EncodingName().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0
                             ? before.toUtf8().size()
                             : before.size();
    // The first line's text begins after a byte-order mark.
    const qint64 textStart = line == 0 ? m_text.TextStart() : line;
    return m_text.CharacterStart(std::min(end, textStart + bytes));
}

void CPagedSourceView::SetSelection(qint64 anchor, qint64 caret)
{
    m_anchor = std::clamp<qint64>(anchor, 0, m_text.Size());
    m_caret = std::clamp<qint64>(caret, 0, m_text.Size());
    viewport()->update();
}

qint64 CPagedSourceView::MaxCopyBytes()
{
    return s_maxCopyBytes;
}

void CPagedSourceView::SetMaxCopyBytes(qint64 bytes)
{
    s_maxCopyBytes = bytes;
}

void CPagedSourceView::CopySelection()
{
    if (!HasSelection())
        return;
    const qint64 bytes = SelectionEnd() - SelectionStart();
    if (bytes > s_maxCopyBytes) {
        ShowMessageText(QStringLiteral("The selection is too large to copy (%1). Select at most %2 of the text.")
                            .arg(formatBytes(bytes), formatBytes(s_maxCopyBytes)),
                        MB::IconInformation);
        return;
    }
    QGuiApplication::clipboard()->setText(m_text.Decode(SelectionStart(), SelectionEnd()));
}

void CPagedSourceView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QFontMetrics metrics = fontMetrics();
    const int lineHeight = LineHeight();
    const int charWidth = CharWidth();
    const int columns = VisibleColumns() + 1;
    const qint64 selStart = SelectionStart();
    const qint64 selEnd = SelectionEnd();
    const QColor highlight = palette().color(QPalette::Highlight);
    m_paintedLines.clear();
    if (!m_text.IsOpen())
        return;
    const int rows = viewport()->height() / lineHeight + 1;
    qint64 line = m_top;
    int widest = m_widestColumns;
    for (int row = 0; row < rows; ++row) {
        const qint64 end = m_text.LineEnd(line);
        const QString text = m_text.LineText(line);
        m_paintedLines << text;
        const QString shown = expandTabs(text);
        widest = std::max(widest, int(shown.size()));
        const int y = row * lineHeight;
        if (HasSelection() && selStart <= end && selEnd > line) {
            const int from = selStart <= line ? 0 : ColumnOf(line, selStart);
            // A selection that goes on past the line break shows one column beyond its text.
            const int to = selEnd > end ? int(shown.size()) + 1 : ColumnOf(line, selEnd);
            const QRect selected(LeftMargin + (from - m_firstColumn) * charWidth, y, (to - from) * charWidth, lineHeight);
            painter.fillRect(selected, highlight);
            painter.save();
            painter.setClipRect(selected);
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawText(LeftMargin, y + metrics.ascent(), shown.mid(m_firstColumn, columns));
            painter.restore();
            painter.setClipRect(QRect(0, y, LeftMargin + (from - m_firstColumn) * charWidth, lineHeight));
            painter.drawText(LeftMargin, y + metrics.ascent(), shown.mid(m_firstColumn, columns));
            painter.setClipRect(QRect(selected.right() + 1, y, viewport()->width(), lineHeight));
        }
        painter.drawText(LeftMargin, y + metrics.ascent(), shown.mid(m_firstColumn, columns));
        painter.setClipping(false);
        if (m_text.IsLastLine(line))
            break;
        line = m_text.NextLineStart(line);
    }
    if (widest != m_widestColumns) {
        m_widestColumns = widest;
        m_syncingScrollBars = true;
        horizontalScrollBar()->setRange(0, std::max(0, m_widestColumns - VisibleColumns() + 1));
        m_syncingScrollBars = false;
    }
}

void CPagedSourceView::keyPressEvent(QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Down: ScrollLines(1); break;
    case Qt::Key_Up: ScrollLines(-1); break;
    case Qt::Key_PageDown: ScrollLines(std::max(1, PageLines() - 1)); break;
    case Qt::Key_PageUp: ScrollLines(-std::max(1, PageLines() - 1)); break;
    case Qt::Key_Home:
        if (control)
            ScrollToTop();
        horizontalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        if (control)
            ScrollToBottom();
        else
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

void CPagedSourceView::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    if (delta.x() != 0 || (event->modifiers() & Qt::ShiftModifier)) {
        const int amount = delta.x() != 0 ? delta.x() : delta.y();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - amount / 40);
    } else {
        // Three lines a notch, as the editor scrolls; finer wheels add up to notches.
        m_wheelRemainder += delta.y();
        const int notches = m_wheelRemainder / 120;
        m_wheelRemainder -= notches * 120;
        if (notches != 0)
            ScrollLines(-3 * notches);
    }
    event->accept();
}

void CPagedSourceView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qint64 offset = OffsetAt(event->position().toPoint());
    if (event->modifiers() & Qt::ShiftModifier)
        SetSelection(m_anchor, offset);
    else
        SetSelection(offset, offset);
}

void CPagedSourceView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    // Dragging past an edge scrolls a line each move.
    if (pos.y() < 0)
        ScrollLines(-1);
    else if (pos.y() >= viewport()->height())
        ScrollLines(1);
    SetSelection(m_anchor, OffsetAt(pos));
}

void CPagedSourceView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    Q_EMIT focusGained();
}
