#include "sourceprinter.h"

#include "sourcelines.h"
#include "document/workspacedoc.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>

CSourcePrinter::CSourcePrinter(CWorkSpaceDoc *document)
    : m_document(document)
{
}

CSourcePrinter::~CSourcePrinter() = default;

int CSourcePrinter::BeginPrinting(QPaintDevice *device)
{
    m_font = QFont(QStringLiteral("Courier New"));
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    m_font.setPointSize(10);
    const QFontMetrics metrics(m_font, device);
    const int averageWidth = qMax(1, metrics.averageCharWidth());
    m_leftMargin = 2 * averageWidth;
    m_printableWidth = qMax(0, device->width() - 2 * m_leftMargin);
    m_charsPerLine = qMax(1, m_printableWidth / averageWidth);
    m_lineHeight = qMax(1, metrics.height() + metrics.leading());

    // Line breaks are LF; pages too narrow or too short still get one character per line and
    // one line per page.
    m_lines = std::make_unique<CSourceLines>(m_document->GetDOMDocument()->xmlUtf8(), '\n', m_charsPerLine - 8);
    m_totalLines = m_lines->Count();
    m_linesPerPage = qMax(1, (device->height() - 5 * m_lineHeight) / m_lineHeight);
    return qMax(1, (m_totalLines + m_linesPerPage - 1) / m_linesPerPage);
}

QString CSourcePrinter::HeaderText(int page) const
{
    QString path = m_document->GetPathName();
    if (path.isEmpty() || path.size() > 68)
        path = m_document->GetTitle();
    while (!path.isEmpty() && path.back().isSpace())
        path.chop(1);
    const QString pageText = QStringLiteral("Page %1").arg(page);
    const int fill = m_charsPerLine - int(path.size()) - int(pageText.size());
    return path + QString(qMax(0, fill), QLatin1Char(' ')) + pageText;
}

QString CSourcePrinter::BodyText(int page, int index) const
{
    const int line = (page - 1) * m_linesPerPage + index;
    QString text = QStringLiteral("%1> ").arg(index, 2, 10, QLatin1Char('0')) + (m_lines ? m_lines->Line(line) : QString());
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

void CSourcePrinter::PrintHeader(QPainter &painter, int page) const
{
    painter.save();
    painter.setFont(m_font);
    const QFontMetrics metrics(m_font, painter.device());
    painter.drawText(m_leftMargin, m_lineHeight + metrics.ascent(), HeaderText(page));
    const int y = m_lineHeight + m_lineHeight * 3 / 2;
    painter.drawLine(m_leftMargin, y, m_leftMargin + m_printableWidth, y);
    painter.restore();
}

void CSourcePrinter::PrintPage(QPainter &painter, int page) const
{
    if (!m_lines || m_totalLines == 0)
        return;
    painter.save();
    painter.setFont(m_font);
    const QFontMetrics metrics(m_font, painter.device());
    const int first = (page - 1) * m_linesPerPage;
    for (int i = 0; i < m_linesPerPage && first + i < m_totalLines; ++i)
        painter.drawText(m_leftMargin, (3 + i) * m_lineHeight + metrics.ascent(), BodyText(page, i));
    painter.restore();
}

void CSourcePrinter::EndPrinting()
{
    m_font = QFont();
}

int CSourcePrinter::PrintDocument(CWorkSpaceDoc *document, QPrinter *printer)
{
    CSourcePrinter job(document);
    const int pages = job.BeginPrinting(printer);
    // The pages the print dialog's range names, within those there are.
    int first = 1, last = pages;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        first = qMin(printer->fromPage(), pages);
        last = printer->toPage() > 0 ? qBound(first, printer->toPage(), pages) : pages;
    }
    QPainter painter(printer);
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer->newPage();
        job.PrintHeader(painter, page);
        job.PrintPage(painter, page);
    }
    painter.end();
    job.EndPrinting();
    return last - first + 1;
}
