#pragma once

#include "framework/messagehelper.h"

#include <QList>
#include <QString>

// Records every message box while it lives and answers each one at once: with the next queued
// answer, else Yes for question boxes and Ok for the others.
class MessageRecorder
{
public:
    struct Box
    {
        QString text;
        unsigned style;
    };

    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    void queueAnswer(int answer) { m_answers.append(answer); }
    const QList<Box> &boxes() const { return m_boxes; }
    int count() const { return int(m_boxes.size()); }
    QString lastText() const { return m_boxes.isEmpty() ? QString() : m_boxes.last().text; }
    void clear() { m_boxes.clear(); }

private:
    QList<Box> m_boxes;
    QList<int> m_answers;
    MessageSink m_previous;
};
