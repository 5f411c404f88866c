#include "messagerecorder.h"

MessageRecorder::MessageRecorder()
{
    m_previous = SetMessageSink([this](const QString &text, unsigned style) {
        m_boxes.append({text, style});
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        switch (style & MB::ButtonMask) {
        case MB::YesNo:
        case MB::YesNoCancel: return IDAnswer::Yes;
        default: return IDAnswer::Ok;
        }
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageSink(std::move(m_previous));
}
