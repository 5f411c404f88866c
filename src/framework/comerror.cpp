#include "comerror.h"

CComError::CComError(unsigned code, QString text)
    : m_code(code), m_text(std::move(text))
{
}

QString CComError::errorMessage() const
{
    QString text = m_text;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.isEmpty())
        return text;
    switch (m_code) {
    case ComCode::Ok: return QStringLiteral("The operation completed successfully.");
    case ComCode::Fail: return QStringLiteral("Unspecified error");
    case ComCode::InvalidArg: return QStringLiteral("The parameter is incorrect.");
    case ComCode::OutOfMemory: return QStringLiteral("Not enough memory resources are available to complete this operation.");
    case ComCode::AccessDenied: return QStringLiteral("Access is denied.");
    case ComCode::NotImplemented: return QStringLiteral("Not implemented");
    case ComCode::Unexpected: return QStringLiteral("Catastrophic failure");
    default: break;
    }
    // Failure codes of the interface facility carry a dispatch error number.
    if (m_code >= 0x80040201u && m_code <= 0x8004FFFFu)
        return QStringLiteral("IDispatch error #%1").arg((m_code & 0xFFFFu) - 0x200);
    return QStringLiteral("Unknown error 0x") + QString::number(m_code, 16).toUpper();
}

const char *CComError::what() const noexcept
{
    if (m_what.isEmpty())
        m_what = errorMessage().toUtf8();
    return m_what.constData();
}
