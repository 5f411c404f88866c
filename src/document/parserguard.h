#pragma once

// Internal to the DOM layer: what one parse may read besides its own input, and the first
// error it reports. One guard is active per parse; libxml2 calls back into it.

#include "xmlparseerror.h"

#include <libxml/parser.h>

class ParserGuard
{
public:
    ParserGuard(xmlParserCtxtPtr ctxt, bool allowDtd, bool allowEntities);
    ~ParserGuard();
    ParserGuard(const ParserGuard &) = delete;
    ParserGuard &operator=(const ParserGuard &) = delete;

    bool hadError() const { return m_hadError; }
    const XmlParseError &firstError() const { return m_error; }

    // Raises the nesting limit once for the process without lifting any other limit.
    static void initialiseLibrary();

private:
    static void onError(void *userData, xmlErrorPtr error);
    static xmlParserInputPtr loadEntity(const char *url, const char *id, xmlParserCtxtPtr ctxt);
    static void externalSubset(void *ctx, const xmlChar *name, const xmlChar *externalId, const xmlChar *systemId);

    xmlParserCtxtPtr m_ctxt;
    bool m_allowDtd;
    bool m_allowEntities;
    bool m_inExternalSubset = false;
    bool m_hadError = false;
    XmlParseError m_error;
    ParserGuard *m_previous;
    externalSubsetSAXFunc m_saxExternalSubset = nullptr;
};
