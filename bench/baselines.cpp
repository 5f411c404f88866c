// The baselines: libxml2 and QScintilla doing the work alone, with nothing of the editor's.
#include "benchsupport.h"
#include "measurements.h"
#include "shownwindow.h"

#include "document/workspacedoc.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"

#include <QFile>
#include <QTemporaryDir>

#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlsave.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The document layer allows nesting deeper than libxml2's 256 levels (without the option that
// lifts the entity limits as well); the baselines must read the same documents.
void allowDeepNesting()
{
    xmlParserMaxDepth = 1000000;
}

xmlDocPtr readTree(const std::string &path)
{
    allowDeepNesting();
    // The first error is the cause; it is kept for the table instead of printed.
    std::string firstError;
    xmlSetStructuredErrorFunc(&firstError, [](void *data, xmlErrorPtr error) {
        auto *first = static_cast<std::string *>(data);
        if (first->empty() && error && error->message)
            *first = error->message;
    });
    // The document layer installs a loader of its own that reads nothing outside its own parses;
    // libxml2 alone reads the file through its default loader.
    const xmlExternalEntityLoader loader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, 0);
    xmlSetExternalEntityLoader(loader);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!doc)
        throw BenchError("xmlReadFile failed: " + (firstError.empty() ? std::string("no reason given") : firstError));
    return doc;
}

// A libxml2 tree that a measurement builds and frees outside its measured step.
class HoldsLibxmlTree : public Measurement
{
public:
    void Finish() override
    {
        xmlFreeDoc(m_tree);
        m_tree = nullptr;
    }

protected:
    xmlDocPtr m_tree = nullptr;
};

// libxml2 builds its own tree of the file, with default options.
class LibxmlParse : public HoldsLibxmlTree
{
public:
    void Run() override { m_tree = readTree(m_path); }
};

// libxml2 reads the file as a stream of nodes and keeps none: what reading the file costs
// before any tree is built.
class LibxmlStreamingParse : public Measurement
{
public:
    void Run() override
    {
        allowDeepNesting();
        xmlTextReaderPtr reader = xmlReaderForFile(m_path.c_str(), nullptr, XML_PARSE_NONET);
        if (!reader)
            throw BenchError("xmlReaderForFile failed");
        int result = 0;
        while ((result = xmlTextReaderRead(reader)) == 1) {
        }
        xmlFreeTextReader(reader);
        if (result != 0)
            throw BenchError("the streaming parse failed");
    }
};

// What taking a new text must do at the least: libxml2 parses it, and the shown tree starts over.
class LibxmlParseAndRebuild : public HoldsLibxmlTree
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_window = std::make_unique<ShownWindow>(path);
    }
    void Run() override
    {
        m_tree = readTree(m_path);
        m_window->Tree().TreeModel()->Rebuild();
        SettleEvents();
    }
    void Finish() override
    {
        HoldsLibxmlTree::Finish();
        m_window.reset();
    }

private:
    std::unique_ptr<ShownWindow> m_window;
};

// libxml2's own tree of the file, made before the measured step.
class WithLibxmlTree : public HoldsLibxmlTree
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        m_tree = readTree(path);
    }
};

// libxml2 writes its tree to a file in the document's own encoding.
class LibxmlSave : public WithLibxmlTree
{
public:
    void Run() override
    {
        if (!m_dir.isValid())
            throw BenchError("no temporary folder");
        const QByteArray target = QFile::encodeName(m_dir.filePath(QStringLiteral("saved.xml")));
        if (xmlSaveFileEnc(target.constData(), m_tree, nullptr) < 0)
            throw BenchError("xmlSaveFileEnc failed");
    }

private:
    QTemporaryDir m_dir;
};

// libxml2's save, made durable as the editor's is: the file is flushed to the disk before it
// counts as written, so that a crash right after a save cannot leave an empty file behind.
class LibxmlSaveSynced : public WithLibxmlTree
{
public:
    void Run() override
    {
        if (!m_dir.isValid())
            throw BenchError("no temporary folder");
        const QByteArray target = QFile::encodeName(m_dir.filePath(QStringLiteral("saved.xml")));
        if (xmlSaveFileEnc(target.constData(), m_tree, nullptr) < 0)
            throw BenchError("xmlSaveFileEnc failed");
        const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || ::fdatasync(fd) != 0)
            throw BenchError("fdatasync failed");
        ::close(fd);
    }

private:
    QTemporaryDir m_dir;
};

// libxml2 serialises its tree to text in memory.
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

// A bare QScintilla widget, shown at the size of the Source page, takes the document's UTF-8
// text (without undo history, as the Source page does) and paints it.
class BareScintillaText : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_path = path;
        CWorkSpaceDoc document;
        if (!document.OnOpenDocument(QString::fromStdString(path)))
            throw BenchError("OnOpenDocument failed: " + TakeMessages());
        m_text = document.GetDOMDocument()->serializedBytes();
        m_editor = std::make_unique<QsciScintilla>();
        m_editor->setUtf8(true);
        m_editor->resize(600, 560);
        m_editor->show();
        SettleEvents();
    }
    void Run() override
    {
        m_editor->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 0);
        m_editor->SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(m_text.size()), m_text.constData());
        m_editor->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 1);
        SettleEvents();
    }
    void Finish() override
    {
        m_editor.reset();
        m_text.clear();
    }

private:
    QByteArray m_text;
    std::unique_ptr<QsciScintilla> m_editor;
};

} // namespace

std::unique_ptr<Measurement> NewLibxmlParse() { return std::make_unique<LibxmlParse>(); }
std::unique_ptr<Measurement> NewLibxmlStreamingParse() { return std::make_unique<LibxmlStreamingParse>(); }
std::unique_ptr<Measurement> NewLibxmlParseAndRebuild() { return std::make_unique<LibxmlParseAndRebuild>(); }
std::unique_ptr<Measurement> NewLibxmlSave() { return std::make_unique<LibxmlSave>(); }
std::unique_ptr<Measurement> NewLibxmlSaveSynced() { return std::make_unique<LibxmlSaveSynced>(); }
std::unique_ptr<Measurement> NewLibxmlSerialize() { return std::make_unique<LibxmlSerialize>(); }
std::unique_ptr<Measurement> NewBareScintillaText() { return std::make_unique<BareScintillaText>(); }
