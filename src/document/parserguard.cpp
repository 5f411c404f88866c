#include "parserguard.h"

#include "xmltreeallocator.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>
#include <libxml/xmlIO.h>

namespace {
thread_local ParserGuard *activeGuard = nullptr;
}

void ParserGuard::initialiseLibrary()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Before the first parse, so that the trees are built with it.
    XmlTreeAllocator::InstallForLibxml2();
    xmlInitParser();
    // Legitimate documents nest deeper than the default 256 levels. The parser, the serializer
    // and the tree code walk iteratively, so a deep limit costs no stack; the option that would
    // also lift the entity-expansion limits stays off.
    xmlParserMaxDepth = 1000000;
    xmlSetExternalEntityLoader(&ParserGuard::loadEntity);
}

ParserGuard::ParserGuard(xmlParserCtxtPtr ctxt, bool allowDtd, bool allowEntities)
    : m_ctxt(ctxt), m_allowDtd(allowDtd), m_allowEntities(allowEntities), m_previous(activeGuard)
{
    initialiseLibrary();
    activeGuard = this;
    xmlSetStructuredErrorFunc(this, &ParserGuard::onError);
    if (ctxt && ctxt->sax) {
        m_saxExternalSubset = ctxt->sax->externalSubset;
        ctxt->sax->externalSubset = &ParserGuard::externalSubset;
    }
}

ParserGuard::~ParserGuard()
{
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (m_previous)
        xmlSetStructuredErrorFunc(m_previous, &ParserGuard::onError);
    activeGuard = m_previous;
}

void ParserGuard::externalSubset(void *ctx, const xmlChar *name, const xmlChar *externalId, const xmlChar *systemId)
{
    ParserGuard *guard = activeGuard;
    if (!guard || !guard->m_saxExternalSubset)
        return;
    guard->m_inExternalSubset = true;
    guard->m_saxExternalSubset(ctx, name, externalId, systemId);
    guard->m_inExternalSubset = false;
}

xmlParserInputPtr ParserGuard::loadEntity(const char *url, const char *id, xmlParserCtxtPtr ctxt)
{
    ParserGuard *guard = activeGuard;
    const bool allowed = guard && (guard->m_allowEntities || (guard->m_allowDtd && guard->m_inExternalSubset));
    bool local = false;
    if (url) {
        const QUrl parsed(QString::fromUtf8(url));
        local = parsed.scheme().isEmpty() || parsed.scheme() == QLatin1String("file")
            || (parsed.scheme().size() == 1); // never a network address
    }
    if (!allowed || !local)
        return nullptr; // the parser goes on without it, as with any missing external resource
    return xmlNoNetExternalEntityLoader(url, id, ctxt);
}

void ParserGuard::onError(void *userData, xmlErrorPtr error)
{
    auto *guard = static_cast<ParserGuard *>(userData);
    if (!guard || !error || error->level < XML_ERR_ERROR || guard->m_hadError)
        return;
    guard->m_hadError = true;
    XmlParseError &e = guard->m_error;
    e.errorCode = unsigned(error->code);
    e.line = error->line;
    e.linepos = error->int2;
    e.reason = QString::fromUtf8(error->message ? error->message : "").trimmed();
    xmlParserCtxtPtr ctxt = static_cast<xmlParserCtxtPtr>(error->ctxt);
    if (ctxt && ctxt->input && ctxt->input->base && ctxt->input->cur) {
        xmlParserInputPtr input = ctxt->input;
        e.filepos = (long long)input->consumed + (input->cur - input->base);
        // The source text is the line the parser stopped on.
        const xmlChar *start = input->cur;
        while (start > input->base && start[-1] != '\n' && input->cur - start < 200)
            --start;
        const xmlChar *end = input->cur;
        while (*end && *end != '\n' && end - input->cur < 200)
            ++end;
        e.srcText = QString::fromUtf8(reinterpret_cast<const char *>(start), int(end - start));
    }
}
