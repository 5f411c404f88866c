#include "figures.h"

#include "document/workspacedoc.h"
#include "framework/messagehelper.h"
#include "panes/sourceprinter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

namespace {

// Message boxes shown during the measured work; a figure that fails reports them.
QString &recordedMessages()
{
    static QString messages;
    return messages;
}

std::string takeMessages()
{
    std::string text = recordedMessages().simplified().toStdString();
    recordedMessages().clear();
    return text;
}

// The baseline: libxml2 builds its own tree of the file, with default options.
class LibxmlParse : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        // The document layer allows nesting deeper than libxml2's 256 levels (without the option
        // that lifts the entity limits as well); the baseline must read the same documents.
        xmlParserMaxDepth = 1000000;
    }
    void Run() override
    {
        // The first error is the cause; it is kept for the table instead of printed.
        std::string firstError;
        xmlSetStructuredErrorFunc(&firstError, [](void *data, xmlErrorPtr error) {
            auto *first = static_cast<std::string *>(data);
            if (first->empty() && error && error->message)
                *first = error->message;
        });
        m_doc = xmlReadFile(m_path.c_str(), nullptr, 0);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        if (!m_doc)
            throw BenchError("xmlReadFile failed: " + (firstError.empty() ? std::string("no reason given") : firstError));
    }
    void Finish() override
    {
        xmlFreeDoc(m_doc);
        m_doc = nullptr;
    }

private:
    xmlDocPtr m_doc = nullptr;
};

// Opening a file as the editor does, through the workspace document.
class OpenDocument : public Measurement
{
public:
    void Run() override
    {
        m_doc = std::make_unique<CWorkSpaceDoc>();
        if (!m_doc->OnOpenDocument(QString::fromStdString(m_path)))
            throw BenchError("OnOpenDocument failed: " + takeMessages());
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
            throw BenchError("OnOpenDocument failed: " + takeMessages());
    }
    void Finish() override { m_doc.reset(); }

protected:
    std::unique_ptr<CWorkSpaceDoc> m_doc;
};

// libxml2's own tree of the file, made before the measured step.
class WithLibxmlTree : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        xmlParserMaxDepth = 1000000;
        m_tree = xmlReadFile(path.c_str(), nullptr, 0);
        if (!m_tree)
            throw BenchError("xmlReadFile failed");
    }
    void Finish() override
    {
        xmlFreeDoc(m_tree);
        m_tree = nullptr;
    }

protected:
    xmlDocPtr m_tree = nullptr;
};

QString scratchFile(const QTemporaryDir &dir)
{
    if (!dir.isValid())
        throw BenchError("no temporary folder");
    return dir.filePath(QStringLiteral("saved.xml"));
}

// Baseline: libxml2 writes its tree to a file in the document's own encoding.
class LibxmlSave : public WithLibxmlTree
{
public:
    void Run() override
    {
        const QByteArray target = QFile::encodeName(scratchFile(m_dir));
        if (xmlSaveFileEnc(target.constData(), m_tree, nullptr) < 0)
            throw BenchError("xmlSaveFileEnc failed");
    }

private:
    QTemporaryDir m_dir;
};

// Save as the editor does: a temporary file beside the target, renamed over it.
class SaveDocument : public WithOpenDocument
{
public:
    void Run() override
    {
        if (!m_doc->OnSaveDocument(scratchFile(m_dir)))
            throw BenchError("OnSaveDocument failed: " + takeMessages());
    }

private:
    QTemporaryDir m_dir;
};

// Baseline: libxml2 serialises its tree to text in memory.
class LibxmlSerialize : public WithLibxmlTree
{
public:
    void Run() override
    {
        xmlChar *text = nullptr;
        int size = 0;
        xmlDocDumpMemory(m_tree, &text, &size);
        if (!text)
            throw BenchError("xmlDocDumpMemory failed");
        xmlFree(text);
    }
};

// The print job's layout: the text of the document cut into numbered lines and pages.
class PrintLayout : public WithOpenDocument
{
public:
    void Run() override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath(QStringLiteral("layout.pdf")));
        CSourcePrinter job(m_doc.get());
        if (job.BeginPrinting(&printer) < 1)
            throw BenchError("BeginPrinting laid out no page");
        job.EndPrinting();
    }

private:
    QTemporaryDir m_dir;
};

// The Source page's commit of an unchanged text: the text goes to a temporary file and the
// document reloads itself from it.
class SourceCommit : public WithOpenDocument
{
public:
    void Prepare(const std::string &path) override
    {
        WithOpenDocument::Prepare(path);
        m_text = m_doc->GetDOMDocument()->xml().toUtf8();
    }
    void Run() override
    {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/TWRXXXXXX"));
        file.setAutoRemove(false);
        if (!file.open() || file.write(m_text) != m_text.size())
            throw BenchError("cannot write the temporary file");
        file.close();
        m_doc->SetSourceTempPath(file.fileName());
        if (!m_doc->ReloadFromSourceTemp())
            throw BenchError("ReloadFromSourceTemp failed: " + takeMessages());
    }

private:
    QByteArray m_text;
};

template <typename T> std::function<std::unique_ptr<Measurement>()> maker()
{
    return [] { return std::make_unique<T>(); };
}

} // namespace

const std::vector<Figure> &AllFigures()
{
    static const std::vector<Figure> figures = {
        {"parse", "libxml2 parse", "", "baseline", true, maker<LibxmlParse>()},
        {"open", "open (CWorkSpaceDoc)", "parse", "<= 1.3 x time and memory", true, maker<OpenDocument>()},
        {"commit", "source commit (unchanged text)", "parse", "<= 1.5 x time", false, maker<SourceCommit>()},
        {"xmlsave", "libxml2 save", "", "baseline", false, maker<LibxmlSave>()},
        {"save", "save (CWorkSpaceDoc)", "xmlsave", "<= 1.3 x time", false, maker<SaveDocument>()},
        {"serialize", "libxml2 serialisation", "", "baseline", false, maker<LibxmlSerialize>()},
        {"printlayout", "print layout (BeginPrinting)", "serialize", "<= 1.5 x time", false, maker<PrintLayout>()},
    };
    return figures;
}

const Figure *FindFigure(const std::string &id)
{
    for (const Figure &figure : AllFigures())
        if (figure.id == id)
            return &figure;
    return nullptr;
}

void PrepareChildProcess(const char *program)
{
    // The user's own settings (validation on load, say) must not change what is measured.
    QStandardPaths::setTestModeEnabled(true);
    static std::string name = program;
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char *argv[] = {name.data(), platformOption, platform, nullptr};
    static int argc = 3;
    static QApplication app(argc, argv);
    SetMessageSink([](const QString &text, unsigned) {
        recordedMessages() += text + QLatin1Char('\n');
        return IDAnswer::Ok;
    });
    xmlInitParser();
}
