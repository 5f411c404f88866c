// The document's own work, without a window: open, save and the print job's layout.
#include "benchsupport.h"
#include "measurements.h"

#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "panes/sourceprinter.h"

#include <QPrinter>
#include <QTemporaryDir>

namespace {

// Opening a file as the editor does, through the workspace document.
class OpenDocument : public Measurement
{
public:
    void Run() override
    {
        m_doc = std::make_unique<CWorkSpaceDoc>();
        if (!m_doc->OnOpenDocument(QString::fromStdString(m_path)))
            throw BenchError("OnOpenDocument failed: " + TakeMessages());
    }
    void Finish() override { m_doc.reset(); }

private:
    std::unique_ptr<CWorkSpaceDoc> m_doc;
};

// A document the editor has open, made before the measured step.
class WithOpenDocument : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_doc = std::make_unique<CWorkSpaceDoc>();
        if (!m_doc->OnOpenDocument(QString::fromStdString(path)))
            throw BenchError("OnOpenDocument failed: " + TakeMessages());
        if (!m_dir.isValid())
            throw BenchError("no temporary folder");
    }
    void Finish() override { m_doc.reset(); }

protected:
    std::unique_ptr<CWorkSpaceDoc> m_doc;
    QTemporaryDir m_dir;
};

// Save as the editor does: a temporary file beside the target, renamed over it.
class SaveDocument : public WithOpenDocument
{
public:
    void Run() override
    {
        if (!m_doc->OnSaveDocument(m_dir.filePath(QStringLiteral("saved.xml"))))
            throw BenchError("OnSaveDocument failed: " + TakeMessages());
    }
};

// The DOM layer's load alone, with or without the record of where each node stood in the file.
class LoadDocument : public Measurement
{
public:
    explicit LoadDocument(bool record) : m_record(record) {}
    void Run() override
    {
        m_doc = std::make_unique<XmlDocument>();
        m_doc->setRecordSource(m_record);
        if (!m_doc->load(QString::fromStdString(m_path)))
            throw BenchError("load failed");
    }
    void Finish() override { m_doc.reset(); }

private:
    bool m_record;
    std::unique_ptr<XmlDocument> m_doc;
};

// Save after a hundred renames spread over the document's top-level elements.
class SaveEditedDocument : public SaveDocument
{
public:
    void Prepare(const std::string &path) override
    {
        SaveDocument::Prepare(path);
        const XmlNode root = m_doc->GetDOMDocument()->documentElement();
        QList<XmlNode> elements;
        for (XmlNode c = root.firstChild(); !c.isNull(); c = c.nextSibling())
            if (c.nodeType() == NodeType::Element)
                elements.append(c);
        const qsizetype step = qMax<qsizetype>(1, elements.size() / 100);
        for (qsizetype i = step / 2; i < elements.size(); i += step)
            if (!m_doc->RenameNode(elements[i], QStringLiteral("edited")))
                throw BenchError("RenameNode failed: " + TakeMessages());
    }
};

// The print job's layout: the text of the document cut into numbered lines and pages. The
// printer exists before, as the program keeps one for the session.
class PrintLayout : public WithOpenDocument
{
public:
    void Prepare(const std::string &path) override
    {
        WithOpenDocument::Prepare(path);
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_dir.filePath(QStringLiteral("layout.pdf")));
    }
    void Run() override
    {
        CSourcePrinter job(m_doc.get());
        if (job.BeginPrinting(m_printer.get()) < 1)
            throw BenchError("BeginPrinting laid out no page");
        job.EndPrinting();
    }
    void Finish() override
    {
        m_printer.reset();
        WithOpenDocument::Finish();
    }

private:
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace

std::unique_ptr<Measurement> NewOpenDocument() { return std::make_unique<OpenDocument>(); }
std::unique_ptr<Measurement> NewSaveDocument() { return std::make_unique<SaveDocument>(); }
std::unique_ptr<Measurement> NewPrintLayout() { return std::make_unique<PrintLayout>(); }
std::unique_ptr<Measurement> NewLoadPlain() { return std::make_unique<LoadDocument>(false); }
std::unique_ptr<Measurement> NewLoadRecorded() { return std::make_unique<LoadDocument>(true); }
std::unique_ptr<Measurement> NewSaveEdited() { return std::make_unique<SaveEditedDocument>(); }
