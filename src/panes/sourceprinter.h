#pragma once

#include <QFont>

#include <memory>

class CSourceLines;
class CWorkSpaceDoc;
class QPainter;
class QPaintDevice;
class QPrinter;

// Lays out and draws one print job of a document's XML text: a header with the document's path
// and "Page n" over a rule, then the text lines, each numbered from 00 on every page. All
// measures are device pixels of the printer or preview.
class CSourcePrinter
{
public:
    explicit CSourcePrinter(CWorkSpaceDoc *document);
    ~CSourcePrinter();

    // Computes the layout and cuts the text; returns the page count (at least 1).
    int BeginPrinting(QPaintDevice *device);
    void PrintHeader(QPainter &painter, int page) const;
    void PrintPage(QPainter &painter, int page) const;
    void EndPrinting();
    // One whole job: the pages of `document` in the printer's page range (every page when it
    // names none) on `printer`. Returns the number of pages printed.
    static int PrintDocument(CWorkSpaceDoc *document, QPrinter *printer);

    int LinesPerPage() const { return m_linesPerPage; }
    int TotalLines() const { return m_totalLines; }
    int CharsPerLine() const { return m_charsPerLine; }
    int LineHeight() const { return m_lineHeight; }
    int LeftMargin() const { return m_leftMargin; }
    int PrintableWidth() const { return m_printableWidth; }
    QString HeaderText(int page) const;
    QString BodyText(int page, int index) const;

private:
    std::unique_ptr<CSourceLines> m_lines;
    QFont m_font;
    int m_linesPerPage = 1;
    int m_totalLines = 0;
    int m_charsPerLine = 1;
    int m_lineHeight = 1;
    int m_leftMargin = 0;
    int m_printableWidth = 0;
    CWorkSpaceDoc *m_document;
};
