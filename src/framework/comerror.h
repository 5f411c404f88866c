#pragma once

#include <QString>

#include <exception>

// The error raised by every failing parser or DOM call: a result code and, where the failing
// layer has one, a text that explains it. Caught at the boundary of each document operation
// and shown through ReportComError or the parse-error report.
class CComError : public std::exception
{
public:
    explicit CComError(unsigned code, QString text = QString());

    unsigned code() const { return m_code; }
    // The text shown to the user: the layer's own text with one trailing line break removed, or,
    // when it gave none, the generic text for the code.
    QString errorMessage() const;
    const char *what() const noexcept override;

private:
    unsigned m_code;
    QString m_text;
    mutable QByteArray m_what;
};

// Common result codes of the DOM layer.
namespace ComCode {
constexpr unsigned Ok = 0;
constexpr unsigned Fail = 0x80004005u;          // unspecified failure
constexpr unsigned InvalidArg = 0x80070057u;    // a name, value or node the call refuses
constexpr unsigned OutOfMemory = 0x8007000Eu;
constexpr unsigned AccessDenied = 0x80070005u;
constexpr unsigned NotImplemented = 0x80004001u;
constexpr unsigned Unexpected = 0x8000FFFFu;
}
