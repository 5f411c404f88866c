#include "figures.h"

#include "document/workspacedoc.h"
#include "framework/messagehelper.h"

#include <QApplication>
#include <QStandardPaths>
#include <QString>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

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

template <typename T> std::function<std::unique_ptr<Measurement>()> maker()
{
    return [] { return std::make_unique<T>(); };
}

} // namespace

const std::vector<Figure> &AllFigures()
{
    static const std::vector<Figure> figures = {
        {"parse", "libxml2 parse", "", "baseline", true, maker<LibxmlParse>()},
        {"open", "open (CWorkSpaceDoc)", "parse", "<= 1.2 x time and memory", true, maker<OpenDocument>()},
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
