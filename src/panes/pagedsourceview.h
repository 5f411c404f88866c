#pragma once

#include "framework/cmdtarget.h"
#include "pagedtext.h"

#include <QAbstractScrollArea>
#include <QStringList>
#include <QVector>

// A read-only view of a text file too large for the source editor, shown a screen at a time
// from the mapped file: opening it reads nothing but the first screen, and every move reads only
// the lines it shows. The vertical scroll bar stands for byte offsets, since the number of lines
// is not known without reading the whole file. Keys and the wheel scroll; a selection made with
// the mouse (Shift+click extends it) can be copied while it stays of a size the clipboard takes.
class CPagedSourceView : public QAbstractScrollArea, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CPagedSourceView(QWidget *parent = nullptr);
    ~CPagedSourceView() override;

    // Shows the file at `path` from its first line. False, with the reason in `error`, when it
    // cannot be read; the view is then empty.
    bool Open(const QString &path, QString *error);
    void Close();
    const CPagedText &Text() const { return m_text; }

    void SetDisplayFont(const QFont &font);

    // The byte offset of the first shown line, and the first shown column.
    qint64 TopOffset() const { return m_top; }
    int FirstColumn() const { return m_firstColumn; }
    void ScrollToTop();
    void ScrollToBottom();
    // Moves the shown text by `count` lines, down when positive.
    void ScrollLines(int count);
    // The lines the last paint drew, whole (not cut at the view's edges), top first.
    QStringList PaintedLines() const { return m_paintedLines; }
    // The number of lines a screen holds completely (at least one).
    int PageLines() const;

    bool HasSelection() const { return m_anchor != m_caret; }
    qint64 SelectionStart() const { return std::min(m_anchor, m_caret); }
    qint64 SelectionEnd() const { return std::max(m_anchor, m_caret); }
    void SetSelection(qint64 anchor, qint64 caret);
    // A selection of more bytes is not copied: the clipboard would hold the document twice over.
    static qint64 MaxCopyBytes();
    static void SetMaxCopyBytes(qint64 bytes);
    // Copies the selection; a selection too large is reported instead.
    void CopySelection();

Q_SIGNALS:
    void focusGained();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void AddCommands();
    void SetTop(qint64 top);
    // The greatest top offset: the one that shows the last line at the bottom of the view.
    qint64 MaxTop() const;
    void UpdateScrollBars();
    void OnVerticalAction(int action);
    int LineHeight() const;
    int CharWidth() const;
    int VisibleColumns() const;
    // The byte offset under the point `pos` of the viewport.
    qint64 OffsetAt(const QPoint &pos) const;
    // The column at which the byte `offset` of the line starting at `lineStart` is drawn.
    int ColumnOf(qint64 lineStart, qint64 offset) const;

    CPagedText m_text;
    qint64 m_top = 0;
    int m_firstColumn = 0;
    // The widest line shown so far, in columns: what the horizontal scroll bar spans.
    int m_widestColumns = 0;
    qint64 m_bytesPerStep = 1;
    bool m_syncingScrollBars = false;
    int m_wheelRemainder = 0;
    qint64 m_anchor = 0;
    qint64 m_caret = 0;
    QStringList m_paintedLines;
};
